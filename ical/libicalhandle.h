#pragma once

#include <libical/ical.h>

#include <memory>

namespace ical {

// A libical component that frees itself, with its children.
struct ComponentFree
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};
using ComponentHandle = std::unique_ptr<icalcomponent, ComponentFree>;

// A string that libical allocated for the caller.
struct StringFree
{
    void operator()(char *text) const { icalmemory_free_buffer(text); }
};
using StringHandle = std::unique_ptr<char, StringFree>;

// libical reports errors through a global state and, built so, by aborting: a file from
// elsewhere must never end the program, so its errors are made plain return values first.
inline void QuietErrors()
{
    icalerror_set_errors_are_fatal(0);
    icalerror_clear_errno();
}

} // namespace ical
