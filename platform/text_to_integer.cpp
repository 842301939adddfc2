#include "platform/text_to_integer.h"
