#include <gtest/gtest.h>

#include "vyr/host/Component.h"

using namespace vyr::host;

namespace {

// Records notifications and clears its reference when the referenced component goes away.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    void Watch(TComponent* Other) {
        Watched = Other;
        Other->FreeNotification(this);
    }
    TComponent* Watched = nullptr;
    int Removals = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == TOperation::opRemove && AComponent == Watched) {
            Watched = nullptr;
            ++Removals;
        }
    }
};

class TCounted : public TComponent {
public:
    TCounted(TComponent* AOwner, int& Deaths) : TComponent(AOwner), FDeaths(Deaths) {}
    ~TCounted() override { ++FDeaths; }

private:
    int& FDeaths;
};

}  // namespace

TEST(ComponentOwnership, OwnerFreesWhatItOwnsAndChildrenLeaveTheOwnerList) {
    int Deaths = 0;
    auto Owner = std::make_unique<TComponent>(nullptr);
    auto* A = new TCounted(Owner.get(), Deaths);
    new TCounted(Owner.get(), Deaths);  // owned and freed by Owner
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks): the owner frees both on every path
    ASSERT_EQ(Owner->ComponentCount(), 2);
    EXPECT_EQ(A->Owner(), Owner.get());
    delete A;
    EXPECT_EQ(Owner->ComponentCount(), 1);
    Owner.reset();
    EXPECT_EQ(Deaths, 2);
}

TEST(ComponentFreeNotification, ReferenceIsClearedWhenTheReferencedComponentIsDestroyed) {
    TWatcher Watcher(nullptr);
    auto* Target = new TComponent(nullptr);
    Watcher.Watch(Target);
    delete Target;
    EXPECT_EQ(Watcher.Watched, nullptr);
    EXPECT_EQ(Watcher.Removals, 1);
}

TEST(ComponentFreeNotification, WatcherDestroyedFirstLeavesNoDanglingLink) {
    TComponent Target(nullptr);
    {
        TWatcher Watcher(nullptr);
        Watcher.Watch(&Target);
    }
    // Target's destructor must not notify the watcher that is already gone (ASan would catch it).
    SUCCEED();
}

TEST(ComponentProperties, NameAndTagArePublishedWithTheirDefaults) {
    TComponent C(nullptr);
    const TPropList& List = C.Properties();
    ASSERT_EQ(List.size(), 2U);
    EXPECT_EQ(List[0].Name, "Name");
    EXPECT_FALSE(List[0].Default.has_value());
    EXPECT_EQ(List[1].Name, "Tag");
    ASSERT_TRUE(List[1].Default.has_value());
    EXPECT_EQ(std::get<std::int64_t>(*List[1].Default), 0);
    List[1].Set(C, std::int64_t{42});
    EXPECT_EQ(C.Tag(), 42);
    EXPECT_EQ(std::get<std::int64_t>(C.FindProperty("Tag")->Get(C)), 42);
    EXPECT_EQ(C.FindProperty("Nope"), nullptr);
}

TEST(HostHelpers, UpCaseChangesOnlyAsciiLowerCaseLetters) {
    EXPECT_EQ(UpCase('a'), 'A');
    EXPECT_EQ(UpCase('z'), 'Z');
    EXPECT_EQ(UpCase('A'), 'A');
    EXPECT_EQ(UpCase('{'), '{');
    EXPECT_EQ(UpCase('`'), '`');
    EXPECT_EQ(UpCase(static_cast<char>(229)), static_cast<char>(229));
}
