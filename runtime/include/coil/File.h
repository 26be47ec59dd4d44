// Path helpers of coil: split a path, list a folder.
#ifndef COIL_FILE_H
#define COIL_FILE_H

#include <coil/stringutil.h>

#include <string>

namespace coil
{
  // The folder part of `path` ("." when it has none); `path` itself is left as it is.
  std::string dirname(char* path);
  // The last part of `path`, trailing slashes ignored.
  std::string basename(const char* path);
  // The names in folder `path` (no "." or ".."), those matching the shell pattern `glob_str`
  // when it is not empty; none if the folder cannot be read.
  coil::vstring filelist(const char* path, const char* glob_str = "");
}  // namespace coil

#endif  // COIL_FILE_H
