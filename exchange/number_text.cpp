#include "exchange/number_text.h"
