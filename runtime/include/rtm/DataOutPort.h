#ifndef RTM_DATAOUTPORT_H
#define RTM_DATAOUTPORT_H
#include <rtm/OutPort.h>
#endif
