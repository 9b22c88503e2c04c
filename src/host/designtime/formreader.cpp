// Form storage, reading: after the parse phase (formparser.h) has checked the whole text, the
// references are resolved and the components created, named and given their properties through
// their setters; a load that fails all the same is undone (see FormStorage.h). Form files are read
// whole, bounded in size, and only when they are regular files.
#include <map>
#include <new>

#include "formcommon.h"
#include "formparser.h"
#include "vyr/host/Controls.h"
#include "vyr/host/FileIo.h"
#include "vyr/host/FormStorage.h"
#include "vyr/host/Text.h"

namespace vyr::host {

using namespace formdetail;

namespace {

// A form file larger than this is refused before it is read: a form holds a few components, and
// even a text of millions of characters stays far below it. It keeps a device such as /dev/zero
// or a runaway file from being read without bound.
constexpr std::uint64_t MaxFormFileSize = 64ULL * 1024 * 1024;

std::string ReadFile(const std::string& Path) {
    try {
        return ReadWholeFile(Path, MaxFormFileSize);
    } catch (const EFileError& E) {
        throw EFormError(Path, 0, "cannot read the file: " + E.Reason());
    }
}

bool ClassFits(const TPropInfo& Info, std::string_view ClassName) {
    return Info.TypeName.empty() || SameText(Info.TypeName, "TComponent") || SameText(Info.TypeName, ClassName);
}

// One published property's value, kept to undo a load that failed.
struct TSavedValue {
    const TPropInfo* Info;
    TPropValue Value;
};

std::vector<TSavedValue> SaveValues(const TComponent& Component) {
    std::vector<TSavedValue> Values;
    for (const auto& Info : Component.Properties()) {
        if (Info.Get && Info.Set && !SameText(Info.Name, "Name")) Values.push_back({&Info, Info.Get(Component)});
    }
    return Values;
}

// Sets back, in declared order, every saved property whose value differs now. A setter may
// change another property (a shape that rounds the LED size), so a second pass catches what the
// first one left different. A setter that raises here is passed over: the error being reported
// is the one that made the load fail.
void RestoreValues(TComponent& Component, const std::vector<TSavedValue>& Values) {
    for (int Pass = 0; Pass < 2; ++Pass) {
        for (const auto& Saved : Values) {
            try {
                if (Saved.Info->Get(Component) != Saved.Value) Saved.Info->Set(Component, Saved.Value);
            } catch (...) {}
        }
    }
}

// Reads Text. Target (may be null) takes the first object; the others are created owned by
// Owner and placed on Parent. Existing components of Owner may be referred to.
std::vector<TComponent*> ReadForm(std::string_view Text, std::string_view FileName, TComponent* Target,
                                  TComponent* Owner, TWinControl* Parent, bool SingleObject) {
    const std::string File(FileName);
    // The parser keeps the prototypes (and so the property tables) alive until the end.
    TFormParser Parser(Text, FileName, Target);
    TParsedForm Form = Parser.Parse();
    if (SingleObject && Form.Objects.size() > 1) {
        throw EFormError(File, Form.Objects[1].Line,
                         "a second object: expected one object, as no owner takes the others");
    }

    // Names: a new component may not take the name of one its owner already has; references
    // go to the file's objects first, then to the owner's components (Target aside).
    std::map<std::string, TComponent*> Existing;
    if (Owner != nullptr) {
        for (int I = 0; I < Owner->ComponentCount(); ++I) {
            TComponent* C = Owner->Components(I);
            if (C != Target && !C->Name().empty()) Existing.emplace(UpperCase(C->Name()), C);
        }
    }
    std::map<std::string, std::size_t> FileNames;
    for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
        const auto& Object = Form.Objects[I];
        if (Object.Name.empty()) continue;
        if (Existing.count(UpperCase(Object.Name)) != 0) {
            throw EFormError(File, Object.Line,
                             "a component named " + Object.Name + " already exists: expected a new name");
        }
        FileNames.emplace(UpperCase(Object.Name), I);
    }
    for (const auto& Object : Form.Objects) {
        for (const auto& Prop : Object.Props) {
            if (!Prop.IsReference) continue;
            const auto Key = UpperCase(Prop.Reference);
            std::string RefClass;
            if (auto It = FileNames.find(Key); It != FileNames.end()) {
                RefClass = Form.Objects[It->second].ClassName;
            } else if (auto Ex = Existing.find(Key); Ex != Existing.end()) {
                RefClass = std::string(Ex->second->ClassName());
            } else {
                throw EFormError(File, Prop.Line,
                                 "unknown component '" + Prop.Reference + "' for " + std::string(Prop.Info->Name) +
                                     ": expected the name of a " + TypeLabel(*Prop.Info) +
                                     " in this file or on the form");
            }
            if (!ClassFits(*Prop.Info, RefClass)) {
                throw EFormError(File, Prop.Line,
                                 "wrong component for " + std::string(Prop.Info->Name) + ": expected a " +
                                     TypeLabel(*Prop.Info) + ", " + Prop.Reference + " is a " + RefClass);
            }
        }
    }

    // Apply. Nothing below fails on sound input. Should a constructor, SetName or a setter raise
    // all the same, the load is undone: the target's published properties are set back to what
    // they were, the components created so far are freed, and the target gets its name back.
    // Every new component is made before the target is touched, so a constructor that raises
    // leaves the target as it was.
    std::vector<TComponent*> Created;
    std::vector<TComponent*> Components;
    Created.reserve(Form.Objects.size());  // so that recording a new component cannot fail
    Components.reserve(Form.Objects.size());
    const AnsiString TargetName = Target != nullptr ? Target->Name() : AnsiString();
    const std::vector<TSavedValue> TargetValues = Target != nullptr ? SaveValues(*Target) : std::vector<TSavedValue>();
    int FailedLine = 0;  // where the apply phase is, for the message if it fails
    std::string Doing;
    try {
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            if (I == 0 && Target != nullptr) {
                Components.push_back(Target);
                continue;
            }
            const auto& Object = Form.Objects[I];
            FailedLine = Object.Line;
            Doing = "cannot create " + Object.Name + " (" + Object.ClassName + ")";
            TComponent* C = Object.Create(Owner);
            Created.push_back(C);
            Components.push_back(C);
            if (auto* Control = dynamic_cast<TControl*>(C); Control != nullptr && Parent != nullptr)
                Control->SetParent(Parent);
        }
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            FailedLine = Form.Objects[I].Line;
            Doing = "cannot name the component " + Form.Objects[I].Name;
            Components[I]->SetName(Form.Objects[I].Name);
        }
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            for (auto& Prop : Form.Objects[I].Props) {
                if (Prop.IsReference) {
                    const auto Key = UpperCase(Prop.Reference);
                    auto It = FileNames.find(Key);
                    Prop.Value = It != FileNames.end() ? Components[It->second] : Existing.at(Key);
                }
                // The setter of the component's own table (the one checked against may be a
                // prototype's).
                const TPropInfo* Info = Components[I]->FindProperty(Prop.Info->Name);
                if (Info == nullptr || !Info->Set) continue;
                FailedLine = Prop.Line;
                Doing = "the value of " + std::string(Info->Name) + " was refused";
                Info->Set(*Components[I], Prop.Value);
            }
        }
    } catch (...) {
        if (Target != nullptr) RestoreValues(*Target, TargetValues);
        for (auto It = Created.rbegin(); It != Created.rend(); ++It) delete *It;
        if (Target != nullptr) {
            try {
                Target->SetName(TargetName);
            } catch (...) {
                // The name it had was accepted before; nothing better can be done here.
            }
        }
        try {
            throw;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& E) {
            throw EFormError(File, FailedLine, Doing + ": " + E.what());
        }
    }
    return Created;
}

}  // namespace

std::vector<TComponent*> ReadFormObjects(std::string_view Text, std::string_view FileName, TComponent* Owner,
                                         TWinControl* Parent) {
    return ReadForm(Text, FileName, nullptr, Owner, Parent, Owner == nullptr);
}

TComponent* ReadFormText(std::string_view Text, std::string_view FileName, TComponent* Owner, TWinControl* Parent) {
    return ReadFormObjects(Text, FileName, Owner, Parent).front();
}

TComponent* ReadComponentFromFile(const std::string& Path, TComponent* Owner, TWinControl* Parent) {
    const std::string Text = ReadFile(Path);
    return ReadFormText(Text, Path, Owner, Parent);
}

void LoadComponentText(TComponent& Target, std::string_view Text, std::string_view FileName) {
    auto* Control = dynamic_cast<TControl*>(&Target);
    ReadForm(Text, FileName, &Target, Target.Owner(), Control != nullptr ? Control->Parent() : nullptr,
             Target.Owner() == nullptr);
}

void LoadComponentFromFile(TComponent& Target, const std::string& Path) {
    const std::string Text = ReadFile(Path);
    LoadComponentText(Target, Text, Path);
}

}  // namespace vyr::host
