#include "local_time.h"

namespace norvik {

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    ::localtime_s(&local, &moment);
    return local;
}

}  // namespace norvik
