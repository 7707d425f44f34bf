// The base of the framework's process-wide helper objects (the control
// container manager): a polymorphic object that the framework's debug
// allocation tracking leaves alone. Here it only provides the virtual
// destructor, since this framework tracks no allocations.
#pragma once

class CNoTrackObject {
public:
    CNoTrackObject() = default;
    virtual ~CNoTrackObject() = default;
    CNoTrackObject(const CNoTrackObject&) = delete;
    CNoTrackObject& operator=(const CNoTrackObject&) = delete;
};
