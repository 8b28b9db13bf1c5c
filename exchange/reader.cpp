#include "exchange/reader.h"
