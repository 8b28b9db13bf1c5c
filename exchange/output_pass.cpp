#include "exchange/output_pass.h"
