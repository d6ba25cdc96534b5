#pragma once

namespace switcher {

// Read-only access to the live option settings. The options window's check
// boxes are the live values: a change stays in force for the run even when
// it is not saved, so users of a setting ask here at the moment of use.
class OptionsView {
public:
    virtual ~OptionsView() = default;
    virtual bool ViewNews() const = 0;
    virtual bool LaunchWhenHost() const = 0;
    virtual bool FetchSelectedIp() const = 0;
    virtual bool FetchAll() const = 0;
};

} // namespace switcher
