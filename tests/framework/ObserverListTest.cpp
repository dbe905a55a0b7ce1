#include "kel/ObserverList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kel/ObjectImpl.h"
#include "kel/Platform.h"
#include "kel/host/HostObserver.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

using host::HostObserver;
using host::Notice;
using ::testing::ElementsAre;
using ::testing::Field;

void* Cookie(std::uintptr_t value) {
  return reinterpret_cast<void*>(value);
}

// An object with observer state and nothing else, destroyed at the end of its scope.
class Observed : public ObjectImpl {
 public:
  const void* Sender() const { return static_cast<const ObjectImpl*>(this); }
};

class ObserverListTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(host::LiveObjects::Total(), 0u) << host::LiveObjects::Describe();
  }
};

TEST_F(ObserverListTest, DestructionWithoutRegistrationsNotifiesNobody) {
  auto observer = HostObserver::Create();
  { Observed object; }
  EXPECT_EQ(observer->NotifyCalls(), 0u);
}

TEST_F(ObserverListTest, NoticesGoOutOldestFirstWithTheRegisteredCookies) {
  auto first = HostObserver::Create();
  auto second = HostObserver::Create();
  auto third = HostObserver::Create();
  const void* sender = nullptr;
  {
    Observed object;
    sender = object.Sender();
    object.AddObserver(first.Get(), Cookie(1));
    object.AddObserver(second.Get(), Cookie(2));
    object.AddObserver(third.Get(), Cookie(3));
    EXPECT_EQ(first->NotifyCalls(), 0u) << "nothing is sent before destruction";
  }
  const Notice expected{sender, "com.velkora.general.kel.IObject/1.0", "Destroyed", nullptr,
                        nullptr};
  auto withCookie = [&](std::uintptr_t cookie) {
    Notice notice = expected;
    notice.cookie = Cookie(cookie);
    return notice;
  };
  EXPECT_THAT(first->Notices(), ElementsAre(withCookie(1)));
  EXPECT_THAT(second->Notices(), ElementsAre(withCookie(2)));
  EXPECT_THAT(third->Notices(), ElementsAre(withCookie(3)));
  // Registrations hold no references, and neither does the notice.
  EXPECT_EQ(first->GetRefCount(), 1u);
  EXPECT_EQ(third->GetRefCount(), 1u);
}

TEST_F(ObserverListTest, NoticesAreOrderedAcrossObservers) {
  std::vector<std::uintptr_t> order;
  auto log = [&order](const Notice& notice) {
    order.push_back(reinterpret_cast<std::uintptr_t>(notice.cookie));
  };
  auto a = HostObserver::Create(log);
  auto b = HostObserver::Create(log);
  {
    Observed object;
    object.AddObserver(b.Get(), Cookie(1));
    object.AddObserver(a.Get(), Cookie(2));
    object.AddObserver(b.Get(), Cookie(3));
  }
  EXPECT_THAT(order, ElementsAre(1u, 2u, 3u));
}

TEST_F(ObserverListTest, RemoveObserverTakesTheOldestRegistrationOfThatObserver) {
  auto twice = HostObserver::Create();
  auto other = HostObserver::Create();
  {
    Observed object;
    object.AddObserver(twice.Get(), Cookie(1));
    object.AddObserver(other.Get(), Cookie(7));
    object.AddObserver(twice.Get(), Cookie(2));
    object.RemoveObserver(twice.Get());
    object.RemoveObserver(HostObserver::Create().Get());  // never registered: no change
  }
  EXPECT_THAT(twice->Notices(), ElementsAre(Field(&Notice::cookie, Cookie(2))));
  EXPECT_THAT(other->Notices(), ElementsAre(Field(&Notice::cookie, Cookie(7))));
}

TEST_F(ObserverListTest, NullRemovesEveryRegistrationAndNullIsNeverRegistered) {
  auto observer = HostObserver::Create();
  {
    Observed object;
    object.AddObserver(nullptr, Cookie(9));  // refused: its notice could not be delivered
    object.AddObserver(observer.Get(), Cookie(1));
    object.AddObserver(observer.Get(), Cookie(2));
    object.RemoveObserver(nullptr);
  }
  EXPECT_EQ(observer->NotifyCalls(), 0u);
}

// Observers are called with the list's re-entrant lock held, so a call back into the list
// from inside a notice enters the lock again; it is ignored rather than changing the list
// under the walk.
TEST_F(ObserverListTest, CallsBackIntoTheListDuringANoticeAreIgnored) {
  ObserverList list;
  auto late = HostObserver::Create();
  auto meddler = HostObserver::Create([&](const Notice&) {
    list.RemoveRegistration(IObject::kContractId, "Destroyed", late.Get());
    list.AddRegistration(IObject::kContractId, "Destroyed", late.Get(), Cookie(5));
    list.RemoveRegistration(IObject::kContractId, "Destroyed", nullptr);
    list.NotifyAll(IObject::kContractId, "Destroyed", nullptr);
  });
  list.AddRegistration(IObject::kContractId, "Destroyed", meddler.Get(), Cookie(1));
  list.AddRegistration(IObject::kContractId, "Destroyed", late.Get(), Cookie(2));
  list.NotifyAll(IObject::kContractId, "Destroyed", &list);
  EXPECT_EQ(meddler->NotifyCalls(), 1u);
  EXPECT_THAT(late->Notices(), ElementsAre(Field(&Notice::cookie, Cookie(2))));
  list.NotifyAll(IObject::kContractId, "Destroyed", &list);  // both registrations are still there
  EXPECT_EQ(meddler->NotifyCalls(), 2u);
  EXPECT_EQ(late->NotifyCalls(), 2u);
}

TEST_F(ObserverListTest, OnlyRegistrationsUnderTheNotifiedKeyHearIt) {
  ObserverList list;
  auto destroyed = HostObserver::Create();
  auto other = HostObserver::Create();
  list.AddRegistration(IObject::kContractId, "Destroyed", destroyed.Get(), Cookie(1));
  list.AddRegistration(IObject::kContractId, "Changed", other.Get(), Cookie(2));
  list.AddRegistration("com.velkora.general.kel.IObject/1.1", "Destroyed", other.Get(), Cookie(3));
  list.RemoveRegistration(IObject::kContractId, "Changed", destroyed.Get());  // other key
  list.NotifyAll(IObject::kContractId, "Destroyed", nullptr);
  EXPECT_EQ(destroyed->NotifyCalls(), 1u);
  EXPECT_EQ(other->NotifyCalls(), 0u);
}

TEST_F(ObserverListTest, OwnerThreadIdIsTheConstructingThreadUntilReplaced) {
  Observed object;
  EXPECT_EQ(object.GetThreadId(), platform::CurrentThreadId());
  EXPECT_EQ(object.SetThreadId(0), result::kOk);
  EXPECT_EQ(object.GetThreadId(), 0u);
}

}  // namespace
}  // namespace kel::testing
