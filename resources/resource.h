#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDI_APPICON 1
#define IDB_TOOLBAR 100
