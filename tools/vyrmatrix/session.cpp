#include "session.h"

namespace vyr::cli {

TSession::TSession(int Siblings) {
    FForm = std::make_unique<host::TForm>(nullptr, FWidgetSet);
    FForm->SetWidth(800);
    FForm->SetHeight(600);
    FForm->Show();
    FMatrix = new TEditMatrix(FForm.get());
    FMatrix->SetName("EditMatrix1");
    FMatrix->SetParent(FForm.get());
    for (int i = 0; i < Siblings; ++i) {
        auto* Sibling = new host::TCustomControl(FForm.get());
        Sibling->SetName("Control" + std::to_string(i + 1));
        Sibling->SetTabStop(true);
        Sibling->SetWidth(20);
        Sibling->SetHeight(20);
        Sibling->SetParent(FForm.get());
        FSiblings.push_back(Sibling);
    }
}

TSession::~TSession() = default;

headless::THeadlessPeer& TSession::Peer() const {
    auto* Peer = headless::THeadlessWidgetSet::PeerOf(*FMatrix);
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
