#include "common/myfunc.h"
