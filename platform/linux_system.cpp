#include "platform/linux_system.h"
