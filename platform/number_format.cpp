#include "platform/number_format.h"
