#include "common/text_codec.h"
