#pragma once

#include "area/store/language.h"
#include "exchange/exchange_engine.h"

#include <QString>

// What a read-all, write-all or verify that ended early had done and not done, from the engine's
// result, in the language given: "areas 0–9 written; areas 10–63, case channels and parameters not
// written". Said the same way by the command line, the fleet and the write log.
QString sequenceDoneText(const ExchangeEngine::Result &result, Language language);
// "12" or "12–63".
QString areaSpan(int first, int last);
