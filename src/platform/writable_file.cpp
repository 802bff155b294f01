#include "platform/writable_file.h"

#include <system_error>

namespace ostrel {

std::string FileStatus::Text() const
{
    if (nErrno == 0)
        return {};
    // The generic category's message is thread-safe, unlike strerror.
    return std::generic_category().message(nErrno);
}

} // namespace ostrel
