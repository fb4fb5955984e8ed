#include "types/DvsTypes.h"

#include <type_traits>

namespace quillex {

static_assert(std::is_trivially_copyable_v<Event2D>, "events travel in contiguous arrays");
static_assert(std::is_trivially_copyable_v<EventTriggerIn>);
static_assert(std::is_trivially_copyable_v<ZxStatisticInfo>);
static_assert(sizeof(CAMERA_TYPE) == 4 && sizeof(INTERFACE_TYPE) == 4 && sizeof(STREAM_TYPE) == 4 && sizeof(ToolType) == 4);

}  // namespace quillex
