#include "framework/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <gtest/gtest.h>

namespace fw {
namespace {

class Counter : public QObject {
public:
    int events = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++events;
        return true;
    }
};

TEST(MessagePump, DeliversPendingEventsAndReportsThem)
{
    DrainMessageQueue();
    Counter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    EXPECT_TRUE(ProcessOneMessage());
    EXPECT_EQ(counter.events, 1);
    EXPECT_FALSE(ProcessOneMessage()) << "nothing left";
}

TEST(MessagePump, DrainDeliversEventsPostedWhileDraining)
{
    Counter counter;
    int chained = 0;
    QTimer::singleShot(0, [&] {
        ++chained;
        QMetaObject::invokeMethod(&counter, [&] { ++chained; }, Qt::QueuedConnection);
    });
    for (int i = 0; i < 3; ++i)
        QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    DrainMessageQueue();
    EXPECT_EQ(counter.events, 3);
    EXPECT_EQ(chained, 2);
}

TEST(MessagePump, NeverWaits)
{
    bool fired = false;
    // A pump that waited for the pending timer would take a minute.
    QTimer::singleShot(60000, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    DrainMessageQueue();
    EXPECT_FALSE(ProcessOneMessage());
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_FALSE(fired);
}

TEST(MessagePump, AnAlwaysDueTimerDoesNotHoldTheCaller)
{
    QTimer busy;
    int ticks = 0;
    QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
    busy.start(0);
    QElapsedTimer clock;
    clock.start();
    DrainMessageQueue();
    EXPECT_GT(ticks, 0);
    EXPECT_LT(clock.elapsed(), 5000);
    busy.stop();
    DrainMessageQueue();
}

} // namespace
} // namespace fw
