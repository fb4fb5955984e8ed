#pragma once
// Public value types of the driver: events, trigger edges, statistics, camera descriptions,
// enumerations and the recording header record.

#include "base/DvsFileInfo.h"
#include "hal/EventTypes.h"
