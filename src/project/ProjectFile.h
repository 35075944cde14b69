#pragma once

#include "project/ConfigProject.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace vx {

class IniFile;
class PathBridge;
class PathMacro;

// One step of loading or saving, reported so that the window can show it.
struct ProgressEvent
{
    enum class Phase { Loading, Saving };
    enum class Page { Experts, Components, Tools };
    Phase phase = Phase::Loading;
    Page page = Page::Experts;
    qint64 percent = 0;
    QString name;  // the entry's caption (or the group's name for a loaded group)
    QString group; // the group of a saved component; empty otherwise
};
using ProgressFn = std::function<void(const ProgressEvent&)>;

// The words the progress text is made of; English unless the window supplies its language's.
struct ProgressTexts
{
    QString loading = QStringLiteral("Loading");
    QString saving = QStringLiteral("Saving");
    QString expertPage = QStringLiteral("Expert");
    QString componentPage = QStringLiteral("Component");
    QString toolPage = QStringLiteral("Tool");
};
// "Loading Expert 20% : [name]", or "Saving Component 50% : [group:name]" for a saved component.
QString progressText(const ProgressEvent& e, const ProgressTexts& texts = {});

// The file name with its extension (from the last full stop of the name) replaced; a name without
// one gets the extension appended. A leading full stop does not start an extension.
QString replaceExtension(const QString& path, const QString& extension);
// "Work.vx7" -> "Work.vx7.bak".
QString backupPathFor(const QString& projectPath);
// The exact first line of a project file made by New, without a line end.
inline constexpr char kProjectFileHeader[] = ";Delphi7 Vorlix File";

struct ReadOptions
{
    // Given: the files named by the entries are looked up, and missing ones get the "missing" image.
    const PathBridge* verify = nullptr;
    QDateTime now;       // the moment of loading: default of "LastTime", begin of this opening
    ProgressFn progress; // called after each expert, group and tool
};

// A list count larger than the highest numbered key present by more than this is cut there: a
// damaged count must not make the reader build billions of rows.
inline constexpr int kCountSlack = 256;

// Fills an empty project from the store: rows, groups, view settings, the active group and the
// statistics as stored ("Run" as it stands). Writes nothing and does not mark the project open.
void readProject(const IniFile& store, ConfigProject& project, const PathMacro& macro,
                 const ReadOptions& options);
// The same for a store that is only read for this: each large part of the file is released from
// the store (IniFile::releaseSection) once read, so a large project is not held twice at once, as
// lines and as rows. The store refuses writes afterwards.
void readProjectReleasing(IniFile& store, ConfigProject& project, const PathMacro& macro,
                          const ReadOptions& options);

// The statistics and list layout of the open project at `now`, in one write of the file.
void writeProjectStatistics(IniFile& store, const ConfigProject& project, const QDateTime& now);

enum class LoadOutcome { Opened, MissingOrReadOnly };
struct LoadResult
{
    LoadOutcome outcome = LoadOutcome::MissingOrReadOnly;
    int shownRun = 0; // the run number of this opening (the stored "Run" before it was advanced)
};

// Opening a project by path: stores the statistics of the project being left, resets the project,
// then reads `path`, advancing its run counter in the file at once. The store is pointed at
// `path` only when it opens. Throws FileWriteError when a statistics write is refused.
LoadResult loadProject(ConfigProject& project, IniFile& store, const QString& path, const PathMacro& macro,
                       const ReadOptions& options);

// Writes the whole project into the store's file, which then holds only what Save wrote, keeping
// the previous file as its ".vx7.bak" backup (replacing an older one). The new content is on disk
// before the old file becomes the backup, and the old file is replaced in one step: at any moment
// (also after a kill) the project file exists with its old or its new content. Throws
// FileWriteError naming the file (or the backup) when a write is refused; the project file and its
// backup are then as they were. A read-only target is refused before anything is touched.
// The lines go to the disk as they are made (IniFile::writeReplacement), so the store holds none of
// them afterwards: it then reads as empty until it is reloaded, and a write reads the file first.
// A group named like another section (ASCII case ignored) shares that section: the lines then go
// through a replacement batch of the store (which holds them afterwards), where a key written
// twice keeps the later value, so the lists written after the groups keep their own counts.
void saveProject(const ConfigProject& project, IniFile& store, const QDateTime& now,
                 const ProgressFn& progress = {});

} // namespace vx
