#include "framework/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

namespace fw {
namespace {

// Enough for any burst of real events; only an ever-due timer reaches it.
constexpr int maxDrainRounds = 1000;

} // namespace

bool ProcessOneMessage()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (!dispatcher)
        return false;
    // The dispatcher, unlike QCoreApplication::processEvents, tells whether it
    // delivered anything. AllEvents without WaitForMoreEvents: never blocks.
    const bool delivered = dispatcher->processEvents(QEventLoop::AllEvents);
    // Events posted from within the batch are delivered by the next call.
    return delivered;
}

void DrainMessageQueue()
{
    for (int round = 0; round < maxDrainRounds; ++round) {
        if (!ProcessOneMessage())
            return;
    }
}

} // namespace fw
