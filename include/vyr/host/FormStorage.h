/// @file
/// Form storage: components saved to and read back from readable text form files through their
/// published properties (TComponent::Properties()).
///
/// Writing: one object block per component, holding its class and name and one "Name = value"
/// line per published property in declared order. A property whose value equals its declared
/// default is not written; a property without a declared default is always written, except a
/// component reference that refers to nothing. The file format is described in
/// docs/form-format.md.
///
/// Reading: the whole text is parsed and checked first (syntax, registered classes, property
/// names, value types and the range of each property's type, component references). Only when
/// all of it is sound are components created (through the palette registry, Registry.h) and the
/// properties applied through their setters, object by object in file order and, within an
/// object, line by line in file order. Any fault is reported as EFormError and then nothing has
/// been created or changed.
///
/// Should a constructor, a name or a setter be refused all the same while the properties are
/// applied (input the checks could not foresee), the load is undone before EFormError (file, the
/// line being applied, and the refusal's message) is raised: every component the load created is
/// freed, and a target (LoadComponentText) gets back its name and the value of every published
/// property that has a getter and a setter, set through the setters in declared order. What the
/// setters did besides their property's value is not undone: a restored Text of a TEditMatrix,
/// for instance, puts its cursor at the end. std::bad_alloc is passed on as it is, after the undo.
///
/// Threads: GUI thread (setters repaint).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/host/Component.h"
#include "vyr/host/Types.h"

namespace vyr::host {

class TWinControl;

/// A form file could not be read (or written). what() is "FILE:LINE: message"; the message says
/// what was found and what was expected. Line is 1-based; 0 when the fault has no line (a file
/// that cannot be opened or written).
class EFormError : public std::runtime_error {
public:
    /// The fault Message at line Line (1-based; 0: none) of FileName.
    EFormError(std::string FileName, int Line, std::string Message);

    /// The form file's name, as given to the reader or writer.
    [[nodiscard]] const std::string& FileName() const { return FFileName; }
    /// The line of the fault, 1-based; 0 when it has none.
    [[nodiscard]] int Line() const { return FLine; }
    /// What was found and what was expected, without the file and line.
    [[nodiscard]] const std::string& Message() const { return FMessage; }

private:
    std::string FFileName;
    int FLine;
    std::string FMessage;
};

// ---- Writing --------------------------------------------------------------------------------

/// The form text of one component (one object block). Throws EFormError (line 0) when a
/// component reference names a component without a name, which a form file cannot express.
[[nodiscard]] AnsiString WriteComponentText(const TComponent& Component);
/// The form text of several components, one object block each, in the order given.
[[nodiscard]] AnsiString WriteComponentsText(const std::vector<const TComponent*>& Components);

/** @{ */
/// Writes WriteComponentText(Component) to Path (replacing it). Throws EFormError (line 0) when
/// the file cannot be written.
void SaveComponentToFile(const TComponent& Component, const std::string& Path);
void SaveComponentsToFile(const std::vector<const TComponent*>& Components, const std::string& Path);
/** @} */

// ---- Reading --------------------------------------------------------------------------------

/// Creates one component per object of Text, in file order, through the palette registry, each
/// owned by Owner and, when it is a control and Parent is not null, placed on Parent. With Owner
/// null the text must hold exactly one object, which the caller then frees. A component reference
/// names an object of the same text or a component that Owner already owns. FileName is used in
/// messages only. Returns the components created, in file order. Throws EFormError; then nothing
/// was created.
std::vector<TComponent*> ReadFormObjects(std::string_view Text, std::string_view FileName, TComponent* Owner,
                                         TWinControl* Parent);
/// As ReadFormObjects; returns the first component created (a form text holds at least one).
TComponent* ReadFormText(std::string_view Text, std::string_view FileName, TComponent* Owner, TWinControl* Parent);
/// Reads the file at Path with ReadFormText. A file that cannot be opened is an EFormError.
TComponent* ReadComponentFromFile(const std::string& Path, TComponent* Owner, TWinControl* Parent);

/** @{ */
/// Applies the first object of Text to the existing component Target: the object's class must be
/// Target's class; Target takes the object's name, then its properties in file order. Further
/// objects of the text are created as by ReadFormObjects, owned by Target's owner and placed on
/// Target's parent (a Target without owner takes a text of one object only). References may also
/// name components that Target's owner owns. Throws
/// EFormError; then Target is unchanged and nothing was created. LoadComponentFromFile does the
/// same with the text of the file Path.
void LoadComponentText(TComponent& Target, std::string_view Text, std::string_view FileName);
void LoadComponentFromFile(TComponent& Target, const std::string& Path);
/** @} */

// ---- The value syntax, for tools that take property values elsewhere -------------------------

/// A string as the form file writes it: double quotes; printable ASCII as itself except '"' and
/// '\\', which are written `\"` and `\\`; every other code (0..31, 127..255) as `\xHH`.
[[nodiscard]] std::string QuoteFormString(std::string_view Value);

}  // namespace vyr::host
