// Resource ids shared by the template and the code.
#pragma once

#define IDD_CONFIG 1000
