#pragma once
// The sample engine's CORBA front (omniORB): an engine factory for each engine
// id, bound through our bind responder on the configured port, with the ORB's
// own endpoint on another loopback port. Strings travel as Windows-1252.
#include "SampleEngine.h"

#include <memory>
#include <string>

namespace sampleengine {

class CorbaFront {
public:
    // The factory repository ids a client binds, by engine.
    static const char* const kFactoryIds[3];

    // bindPort 0 picks a free port. Throws std::runtime_error when it cannot
    // listen. One per process (the ORB is one per process).
    CorbaFront(SampleEngine& engine, const std::string& host, int bindPort);
    ~CorbaFront();

    CorbaFront(const CorbaFront&) = delete;
    CorbaFront& operator=(const CorbaFront&) = delete;

    int Port() const; // the bind port
    std::string FactoryReference(const std::string& repositoryId) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace sampleengine
