#include "dialog/form.h"
