#include "platform/date_format.h"
