#pragma once
// Standard locations the application works with.

#include <QString>

namespace quillex {

// Writable application data location (needs the application and organisation names set).
// Created with its parents when missing. The first call in the process logs "app config path:".
QString appDataLocation();

// Documents location; empty when the platform has none.
QString documentsLocation();

// Documents + "/QuillexData": default folder for recordings and videos (empty without documents).
QString dataDirectory();

// Documents + "/QuillexConfig": where the current camera configurations live (empty without documents).
QString configDirectory();

// Directory of the running executable; the default camera configurations ship in its "config" folder.
QString applicationDirectory();

}  // namespace quillex
