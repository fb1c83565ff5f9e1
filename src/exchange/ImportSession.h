#pragma once

// Readers only parse: each takes a source (a file or bytes in memory) and options, and gives one
// SImportResult: the entities made, the layers they need and how those meet the drawing's, the
// messages in file order, the alignment preload and the outcome. MergeImport applies a result
// to a document; the import command, tavcli, the tests and the fuzz targets share it.

#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/Entity.h"
#include "document/Layer.h"
#include "document/Prompter.h"
#include "exchange/Alignment.h"

class CProgress;
class CTAVDoc;

// What became of one import, as the import command reports it.
enum class EImportResult {
    Done,        // read to the end (some lines may have been reported and skipped)
    Refused,     // stopped on an error of the file; reported to the user
    OpenFailed,  // the file could not be opened or read; reported to the user
    Cancelled,   // the user cancelled (the alignment dialog, or the progress)
};

// Where a reader reads from: a file, or bytes in memory named for messages.
struct SImportSource {
    std::string name;  // the path of a file, or what names the bytes
    std::span<const uint8_t> bytes;
    bool inMemory = false;

    static SImportSource File(const std::string& path) { return {path, {}, false}; }
    static SImportSource Memory(std::span<const uint8_t> bytes, const std::string& name) {
        return {name, bytes, true};
    }
};

// What an import takes besides its source.
struct SImportOptions {
    CProgress* progress = nullptr;  // told of the reading; may stop it
    int drawingLayers = 0;          // layers of the drawing the result goes to
    // Most entities a DXF file's block references may make (0: as memory allows, at most
    // 2 x 10^7); tests set less.
    int64_t entityBudget = 0;
    // GSI: coordinates in metres rather than millimetres.
    bool gsiMetres = false;
    // GSI: a block with both polar words and 81-83 gives the instrument's 81-83.
    bool gsiCoordinates = false;
    // Delimited point lists: the order of the columns ("NXYZ", "NYXZ", "XYZ"...; empty for
    // the default NXYZ) and the separator (0: found from the file).
    std::string columns;
    char separator = 0;
};

// How a reading ended.
enum class EImportOutcome {
    Complete,    // read to the end
    Refused,     // nothing is taken; the messages say why
    Incomplete,  // stopped on an error: what was read is taken, the messages say why
    Cancelled,   // stopped by the user: nothing is taken and nothing is said
};

// How the layer records of a result meet the drawing's layers.
enum class ELayerMatch {
    ByName,         // a record joins the drawing's layer of its name in any case, else is appended
    AppendRenamed,  // every record is appended; a name equal to one of the drawing's own layers
                    // gets " import" added at each match
};

// Entities of a result on this layer index go to the drawing's current layer (ByName results;
// an AppendRenamed result counts its entities' layers from its first record, those below it
// being the drawing's own).
inline constexpr int kImportCurrentLayer = -1;

// A message of a reading, in file order.
struct SImportMessage {
    enum class EKind {
        Line,       // about one bad line: shown up to the prompter's limit, then counted
        Note,       // shown as it is
        FileError,  // the source could not be read: shown with its name
    };
    EKind kind = EKind::Note;
    std::string text;
};

struct SImportResult {
    EImportOutcome outcome = EImportOutcome::Complete;
    // The source could not be opened or read (the command reports OpenFailed).
    bool unreadable = false;
    // Entities in file order; m_layer is an index into layers or kImportCurrentLayer.
    std::vector<std::unique_ptr<CEntity>> entities;
    std::vector<CLayer> layers;
    ELayerMatch layerMatch = ELayerMatch::ByName;
    std::vector<SImportMessage> messages;
    // Line messages in all; those beyond the kept ones are only counted.
    int64_t lineMessageCount = 0;
    // The alignment dialog's defaults: when set, the entities are placed by the dialog first.
    std::optional<SAlignment> alignment;
    // Said once the drawing shows what was taken.
    std::string closingNote;
    // Entities and layers already in the drawing (MergeImport; for callers that count).
    int mergedEntities = 0;
};

// The result of a reading the user stopped.
inline SImportResult CancelledResult() {
    SImportResult r;
    r.outcome = EImportOutcome::Cancelled;
    return r;
}

// Reads the file into memory, at most the size it had when opened; false with the reason (a
// FIFO or a folder is refused, never waited on).
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& reason);

// The title of a reading's progress: "Import" and the source's file name.
std::string ImportProgressTitle(const SImportSource& source);

// Line messages a result keeps; the prompter shows fewer, the rest only count.
inline constexpr int kKeptLineMessages = 1000;

// Collects a reader's result: entities, layer records, messages.
class CImportCollector {
public:
    explicit CImportCollector(SImportResult& result) : m_result(result) {}

    // Appends an entity; it goes to the current layer unless layer is one of the records.
    void Add(std::unique_ptr<CEntity> entity, int layer = kImportCurrentLayer);
    // Appends every entity of the list in order (left empty), all on the current layer.
    void AddAll(std::vector<std::unique_ptr<CEntity>>& entities);
    // A message about one line (already carrying its "Line: n." prefix).
    void LineMessage(const std::string& text);
    // A message shown as it is.
    void Message(const std::string& text);
    // The source could not be read: reason, shown with the source's name.
    void FileError(const std::string& reason);
    // The same, and the reading is refused with nothing taken.
    void Unreadable(const std::string& reason);
    // Entities collected so far.
    int AddedCount() const { return static_cast<int>(m_result.entities.size()); }
    SImportResult& Result() { return m_result; }

private:
    SImportResult& m_result;
};

// Applies result to doc as every import does: the wait cursor; the messages (line messages up
// to the prompter's limit, then their count); unless refused or cancelled, the alignment dialog
// when the result has a preload, the layer records matched or appended, the entities with the
// next entity numbers and their layers; then, when the reading was complete or anything was
// taken, the finishing step (extents, views marked and updated with hint 1, modified flag) and
// the closing note. name names the source in file error reports.
EImportResult MergeImport(CTAVDoc& doc, SImportResult& result, const std::string& name);

// A reader.
using ImportReader = SImportResult (*)(const SImportSource& source, const SImportOptions& options);
// Reads source with read (the wait cursor on, options.drawingLayers set from doc) and merges the
// result into doc.
EImportResult ImportWith(CTAVDoc& doc, const SImportSource& source, SImportOptions options,
                         ImportReader read);

// The readers' texts for running out of memory and a source that fails while it is read (the
// system's reason and a full stop follow), reported with the source's name.
inline constexpr char kImportNoMemory[] = "Not enough memory to read the file.";
inline constexpr char kImportReadFailed[] = "Can not read the file: ";

// Ends a reading from anywhere inside a reader: RunReading puts the outcome and the message (an
// empty text says nothing) into the result.
class CImportStop : public std::exception {
public:
    CImportStop(EImportOutcome outcome, SImportMessage message, bool unreadable = false)
        : m_outcome(outcome), m_message(std::move(message)), m_unreadable(unreadable) {}
    const char* what() const noexcept override { return m_message.text.c_str(); }

    EImportOutcome m_outcome;
    SImportMessage m_message;
    bool m_unreadable;
};

// The stop for a source that fails while it is read: what was read is taken.
CImportStop ReadFailedStop(const std::string& reason);
// Puts a stop into result (a Refused outcome drops the entities).
void ApplyStop(SImportResult& result, const CImportStop& stop);

// Runs work (which fills result) and turns every way a reading can end early into the result:
// a CImportStop as it says; running out of memory into the readers' report about the source,
// with the outcome the reader gives it (Incomplete keeps what was collected, as unreadable;
// Refused drops it). A Refused outcome never leaves entities behind.
template <typename Work>
void RunReading(SImportResult& result, EImportOutcome onNoMemory, Work work) {
    try {
        work();
    } catch (const CImportStop& stop) {
        ApplyStop(result, stop);
    } catch (const std::bad_alloc&) {
        ApplyStop(result,
                  CImportStop(onNoMemory, {SImportMessage::EKind::FileError, kImportNoMemory},
                              onNoMemory != EImportOutcome::Refused));
    }
}
