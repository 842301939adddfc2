#include "platform/natural_order.h"
