// Resource ids, shared by melodrift.rc and the code that loads them.
#pragma once

#define IDI_MELODRIFT 10
#define IDB_TOOLBAR 100
