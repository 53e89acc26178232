// The engine's way to the submission component: made by class name, its
// events bound to the client's event list.
#include "client/submission/EFIPRegistration.h"

#include "submission/efip/EFIPProtocol.h"

#include "client/ClassRegistry.h"
#include "client/EventList.h"
#include "client/FormReader.h"
#include "client/Globals.h"

#include <gtest/gtest.h>

#include <memory>

TEST(EFIPRegistration, EngineCreatesTheComponentAndBindsItsEvents)
{
    efip::RegisterEFIPClasses();
    client::TEventList events(nullptr);
    client::SetEventListObject(&events);

    std::unique_ptr<fw::TComponent> made(client::CreateComponentByClassName("Te3EFIPProtocol", nullptr));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->ClassName(), "Te3_EFIPProtocol");
    for (const char* name : {"OnEFIPDebug", "OnEFIPError", "OnEFIPExit", "OnEFIPReceipt", "OnEFIPWaitRequest",
                             "OnEFIPWaitCommand"}) {
        EXPECT_NO_THROW(client::BindEventProperty("Te3_EFIPProtocol", name, made.get())) << name;
    }
    auto& p = static_cast<efip::TCustomEFIPProtocol&>(*made);
    EXPECT_TRUE(p.OnEFIPExit);
    EXPECT_TRUE(p.OnEFIPReceipt);
    client::SetEventListObject(nullptr);
}
