// The update check and the reminder "MIND" that asks for one at start-up.
#pragma once

#include <windows.h>

// Whether the reminder is due: reminders are on, a check was recorded (day count above 0)
// and today is more than 7 days after it. A clock set back never makes it due.
bool IsReminderDue(bool remindToCheck, int lastUpdateCheck, int today);

// Runs "MIND" modally over the owner; true when the user answered Yes. Either answer
// stores the "Don't remind me again!" box into RemindToCheck.
bool ShowReminderDialog(HWND owner);

// With remind, asks first and stops on No. Otherwise opens the update page with a fresh
// token (owned by the owner window) and records today as the last update check.
void CheckForUpdates(HWND owner, bool remind, int today, int& lastUpdateCheck);
