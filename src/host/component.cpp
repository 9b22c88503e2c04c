#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "vyr/host/Component.h"

namespace vyr::host {

namespace {

void EraseOne(std::vector<TComponent*>& List, TComponent* Item) {
    auto It = std::find(List.begin(), List.end(), Item);
    if (It != List.end()) {
        List.erase(It);
    }
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) {
        AOwner->InsertComponent(this);
    }
}

TComponent::~TComponent() {
    // Tell every component linked to this one that it is going, so no reference dangles.
    while (!FFreeNotifies.empty()) {
        TComponent* Other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseOne(Other->FFreeNotifies, this);
        Other->Notification(this, TOperation::opRemove);
    }
    // Free the owned components, the last inserted first.
    while (!FComponents.empty()) {
        TComponent* Child = FComponents.back();
        delete Child;  // its destructor removes it from FComponents
    }
    if (FOwner != nullptr) {
        FOwner->RemoveComponent(this);
    }
}

void TComponent::InsertComponent(TComponent* AComponent) {
    AComponent->FOwner = this;
    FComponents.push_back(AComponent);
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    Notification(AComponent, TOperation::opRemove);
    EraseOne(FComponents, AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) {
        return;
    }
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(AComponent);
    }
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end()) {
        AComponent->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) {
        return;
    }
    EraseOne(FFreeNotifies, AComponent);
    EraseOne(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}

const TPropList& TComponent::Properties() const {
    static const TPropList List = {
        TPropInfo{
            .Name = "Name",
            .Kind = TTypeKind::String,
            .TypeName = "TComponentName",
            .Default = std::nullopt,
            .Min = 0,
            .Max = 0,
            .EnumNames = {},
            .Getter = "Name",
            .Setter = "SetName",
            .Get = [](const TComponent& C) -> TPropValue { return C.Name(); },
            .Set = [](TComponent& C, const TPropValue& V) { C.SetName(std::get<AnsiString>(V)); },
        },
        TPropInfo{
            .Name = "Tag",
            .Kind = TTypeKind::Integer,
            .TypeName = "Integer",
            .Default = TPropValue(std::int64_t{0}),
            .Min = std::numeric_limits<std::int32_t>::min(),
            .Max = std::numeric_limits<std::int32_t>::max(),
            .EnumNames = {},
            .Getter = "Tag",
            .Setter = "SetTag",
            .Get = [](const TComponent& C) -> TPropValue { return std::int64_t{C.Tag()}; },
            .Set = [](TComponent& C,
                      const TPropValue& V) { C.SetTag(static_cast<std::int32_t>(std::get<std::int64_t>(V))); },
        },
    };
    return List;
}

const TPropInfo* TComponent::FindProperty(std::string_view Name) const {
    for (const TPropInfo& Info : Properties()) {
        if (Info.Name == Name) {
            return &Info;
        }
    }
    return nullptr;
}

}  // namespace vyr::host
