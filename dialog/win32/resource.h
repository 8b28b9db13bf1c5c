// Resource ids shared by q527.rc and the code.
#pragma once

#define IDI_Q527 1
