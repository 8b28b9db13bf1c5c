#include "dialog/conversion.h"
