// The help request: the keyword from the editor (keyword.h), and its help
// target opened (showhelp.h).
#pragma once
#include "help/keyword.h"
#include "help/showhelp.h"
#include "help/suggestmenu.h"
