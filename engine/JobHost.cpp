#include "engine/JobHost.h"

#include <chrono>

namespace mv::engine {

const TJobTexts& TJobHost::Texts() const
{
    static const TJobTexts english;
    return english;
}

int64_t TJobHost::MonotonicSecond()
{
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace mv::engine
