#include "exchange/writer.h"
