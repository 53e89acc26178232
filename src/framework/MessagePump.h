#pragma once
// Keeps the windows of the GUI thread alive while a long operation runs in it:
// pending events are delivered without waiting for new ones.

namespace fw {

// Delivers the events that are pending now (posted events, timers that are
// due, window-system input) and returns whether there were any. Qt delivers
// what is pending as one batch, so "one message" here is one such batch.
// Never waits. GUI thread only.
bool ProcessOneMessage();

// Calls ProcessOneMessage until nothing is pending. A zero-interval timer is
// always due, so the rounds are bounded: the caller's work must go on.
void DrainMessageQueue();

} // namespace fw
