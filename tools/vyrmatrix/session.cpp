#include "session.h"

namespace vyr::cli {

TSession::TSession(int Siblings)
    : FForm(headless::MakeShownForm(FWidgetSet)), FMatrix(headless::PlaceOnForm<TEditMatrix>(*FForm)) {
    FMatrix->SetName("EditMatrix1");
    FSiblings = headless::AddPlainControls(*FForm, Siblings, "Control");
}

TSession::~TSession() = default;

headless::TCountingPeer& TSession::Peer() const {
    auto* Peer = headless::TCountingPeer::Of(*FMatrix);
    if (!Peer) throw TRunError("the matrix has no window");
    return *Peer;
}

void TSession::PaintOnce() { host::SendPaint(*FMatrix); }

void TSession::Apply(const TAssignment& Assignment) {
    const host::TPropInfo* Info = FMatrix->FindProperty(Assignment.Property->Name);
    if (!Info || !Info->Set) {
        throw TRunError("the control does not publish a settable property " + std::string(Assignment.Property->Name));
    }
    Info->Set(*FMatrix, Assignment.Value);
}

}  // namespace vyr::cli
