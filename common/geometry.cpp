#include "common/geometry.h"
