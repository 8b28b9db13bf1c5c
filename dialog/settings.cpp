#include "dialog/settings.h"
