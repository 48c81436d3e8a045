#pragma once

// What an older .kicad_sym version cannot hold. Writing a model in a version
// drops or garbles these, so the user is told before choosing it.

#include "symbol/symbol.h"

#include <QStringList>

// One phrase per kind of thing `symbol` holds that a file of `version`
// cannot, in Portuguese, each naming the KiCad that brought it; empty when
// the version holds everything. A description under the other version's
// property name is converted by the writer and is not listed.
QStringList versionLosses(const Symbol &symbol, int version);

// The KiCad release that writes `version` ("KiCad 6", ...); the number when
// it is none of them.
QString kicadRelease(int version);
