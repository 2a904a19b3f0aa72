#pragma once
// The property seed file: a text file the user writes that declares the columns of the property
// editor and the values offered for each.
//
//     Begin Define Custom          <- markers: case-insensitive, may be indented, inner blanks count
//     Define Material; Text        <- name ";" anything non-empty: one definition (always Text)
//     Define Weight                <- no second field: ignored
//     End Define Custom
//     Begin Material               <- lookup block of Material, anywhere in the file
//     Steel ; structural steel     <- value Steel; text after ";" is a note
//     default = Aluminium          <- defaultValue Aluminium, and value Aluminium at this place
//     End Material
//     Begin Define System          <- the document's own properties the editor shows, by the
//     Define Title                    names cfb::SystemPropertyDefinitions gives (ignoring case;
//     Define document number          a second field may follow); other names are passed over.
//     End Define System               Lookup blocks work as for custom definitions. Older
//                                     versions read only the custom block.
//
// Typical use by the editor command:
//
//     QString seed;
//     if (!LocatePropseedFile(seed, this))     // properties/ui: shows "Cannot find ..." itself
//         return;
//     PropertyDefinitions definitions;
//     ReadPropertySeed(seed, &definitions);    // throws KrdlError when the file cannot be read
//
// The file is shared with the old program: it is read by the shared-file text rule
// (UTF-8 when it is valid UTF-8 or has a byte order mark, otherwise Windows-1250).

#include "properties/CustomProperties.h"

#include <QString>
#include <QStringList>

// The seed file the INI file of `programFileName` names: [Settings] PropseedFN resolved by
// `ResolveProgramPath` (a leading backslash means "beside the program"). Empty when unset.
QString PropseedFileName(const QString& programFileName);

// True when a file (not a folder) is at `path`; what the editor checks before it parses.
bool PropseedFileExists(const QString& path);

// "Cannot find "<path>" !", the message shown when no seed file is at `path`.
QString CannotFindPropseedMessage(const QString& path);

// True when `line` matches `marker`: both upper-cased and trimmed (characters up to code 32
// removed at both ends) are equal.
bool LineMatchesMarker(const QString& line, const QString& marker);

// Finds the first line matching `beginMarker` and the first line after it matching `endMarker`;
// when both exist, appends the lines strictly between them, unchanged, to `output` and returns
// true (also when there are none). Otherwise appends nothing and returns false. Never clears
// `output`.
bool ExtractBlock(const QStringList& lines, const QString& beginMarker, const QString& endMarker, QStringList& output);

// Lines of a text, ended by CR LF, a lone CR or a lone LF. A line end at the very end of the
// text starts no further line.
QStringList SplitSeedLines(const QString& text);

// Appends one definition per accepted definition line of the custom block of `text`, in file
// order, with its lookup values, and with `system` those of the system block (their names as
// cfb::SystemPropertyDefinitions spells them) to `system`. Nothing is removed from or compared
// with what the lists hold already. A file whose lookup blocks hold more than 1,000,000 lines in
// all (only a crafted file of overlapping blocks gets there) throws KrdlError and adds nothing.
void ParsePropertySeed(const QString& text, PropertyDefinitions& definitions, PropertyDefinitions* system = nullptr);

// Reads and parses the seed file at `path` into `definitions`; does nothing when `definitions`
// is null. Throws KrdlError "Cannot open file "<path>". <reason>" when the file cannot be read,
// is not a regular file (a folder, a pipe: never waited for) or is implausibly large for a seed file (over 64 MB),
// and "Cannot read the property seed file "<path>". <reason>" when ParsePropertySeed refuses it.
void ReadPropertySeed(const QString& path, PropertyDefinitions* definitions, PropertyDefinitions* system = nullptr);
