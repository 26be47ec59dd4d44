#ifndef RTM_DATAINPORT_H
#define RTM_DATAINPORT_H
#include <rtm/InPort.h>
#endif
