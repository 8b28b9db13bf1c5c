#include "exchange/store.h"
