#pragma once

class QLocale;

// The first start (no language stored yet) chooses the system's language when it is Chinese and
// English otherwise, and stores it, so the window starts in it; a stored choice is left alone.
void storeFirstStartLanguage(const QLocale &system);
