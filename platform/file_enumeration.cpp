#include "platform/file_enumeration.h"
