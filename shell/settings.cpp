// The options of the Options dialog, with their built-in defaults.
#include "shell/settings.h"

bool DetailedLog = false;
bool ShowToolTips = true;
int32_t HeaderMode = 0;
bool RemindToCheck = true;
bool QuickUpdate = false;
bool MovedFiles = false;
