#include "common/options.h"

uint32_t OptionFlags;
