// The middleware's helpers over IDL sequences (NVList, PortProfileList, ...), as component and
// tool sources call them: CORBA_SeqUtil::push_back(profile.properties, NVUtil::newNV(...)).
#ifndef RTM_CORBA_SEQUTIL_H
#define RTM_CORBA_SEQUTIL_H

#include <coil/stringutil.h>

#include <omniORB4/CORBA.h>

namespace CORBA_SeqUtil
{
  // Calls f on every element in order; returns f, as std::for_each does.
  template <class CorbaSequence, class Functor>
  Functor for_each(CorbaSequence& seq, Functor f)
  {
    const CORBA::ULong len = seq.length();
    for (CORBA::ULong i = 0; i < len; ++i)
      f(seq[i]);
    return f;
  }

  // The index of the first element f accepts, or -1.
  template <class CorbaSequence, class Functor>
  CORBA::Long find(const CorbaSequence& seq, Functor f)
  {
    const CORBA::ULong len = seq.length();
    for (CORBA::ULong i = 0; i < len; ++i)
    {
      if (f(seq[i]))
        return static_cast<CORBA::Long>(i);
    }
    return -1;
  }

  template <class CorbaSequence, class SequenceElement>
  void push_back(CorbaSequence& seq, SequenceElement elem)
  {
    const CORBA::ULong len = seq.length();
    seq.length(len + 1);
    seq[len] = elem;
  }

  template <class CorbaSequence>
  void push_back_list(CorbaSequence& seq1, const CorbaSequence& seq2)
  {
    const CORBA::ULong len1 = seq1.length();
    const CORBA::ULong len2 = seq2.length();
    seq1.length(len1 + len2);
    for (CORBA::ULong i = 0; i < len2; ++i)
      seq1[len1 + i] = seq2[i];
  }

  // Before the element at `index`; at the end when `index` is past it.
  template <class CorbaSequence, class SequenceElement>
  void insert(CorbaSequence& seq, SequenceElement& elem, CORBA::ULong index)
  {
    const CORBA::ULong len = seq.length();
    if (index > len)
    {
      push_back(seq, elem);
      return;
    }
    seq.length(len + 1);
    for (CORBA::ULong i = len; i > index; --i)
      seq[i] = seq[i - 1];
    seq[index] = elem;
  }

  // The sequence must not be empty, as with std::vector.
  template <class CorbaSequence, class SequenceElement>
  SequenceElement& front(CorbaSequence& seq)
  {
    return seq[0];
  }

  template <class CorbaSequence, class SequenceElement>
  SequenceElement& back(CorbaSequence& seq)
  {
    return seq[seq.length() - 1];
  }

  // An index past the end removes nothing.
  template <class CorbaSequence>
  void erase(CorbaSequence& seq, CORBA::ULong index)
  {
    const CORBA::ULong len = seq.length();
    if (index >= len)
      return;
    for (CORBA::ULong i = index; i + 1 < len; ++i)
      seq[i] = seq[i + 1];
    seq.length(len - 1);
  }

  // Removes the first element f accepts, if any.
  template <class CorbaSequence, typename Functor>
  void erase_if(CorbaSequence& seq, Functor f)
  {
    const CORBA::Long index = find(seq, f);
    if (index >= 0)
      erase(seq, static_cast<CORBA::ULong>(index));
  }

  template <class CorbaSequence>
  void clear(CorbaSequence& seq)
  {
    seq.length(0);
  }

  // The stringified references of a sequence of object references, through the process's ORB.
  template <class CorbaRefSequence>
  coil::vstring refToVstring(const CorbaRefSequence& objlist)
  {
    int argc = 0;
    CORBA::ORB_var orb = CORBA::ORB_init(argc, 0);
    coil::vstring iorlist;
    const CORBA::ULong len = objlist.length();
    for (CORBA::ULong i = 0; i < len; ++i)
    {
      CORBA::String_var ior = orb->object_to_string(objlist[i]);
      iorlist.push_back(static_cast<const char*>(ior));
    }
    return iorlist;
  }
}  // namespace CORBA_SeqUtil

#endif  // RTM_CORBA_SEQUTIL_H
