#include "platform/linux_file_system.h"
