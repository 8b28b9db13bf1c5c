#include "dialog/paths.h"
