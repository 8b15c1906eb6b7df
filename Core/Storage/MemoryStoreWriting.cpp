#include "Storage/MemoryStore.h"

#include "Search/AddressPrefixes.h"
#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"
#include "Support/JoinedLines.h"

namespace ostrel {
namespace {

constexpr const char* textLookupStatement = "SELECT f.window_title, f.url, t.body FROM frames f LEFT JOIN "
                                            "frame_text t ON t.frame_id = f.id WHERE f.id = ?";
constexpr const char* ftsInsertStatement =
    "INSERT INTO frame_fts (rowid, title, url, body) VALUES (?, ?, ?, ?)";

std::string_view withoutSchemeAndWWW(const std::optional<std::string>& url) {
    return withoutAddressPrefixes(url ? std::string_view(*url) : std::string_view());
}

using TextForm = std::string (*)(std::string_view);

// The values of a full-text row: its rowid, then title, address and text in `form`. Writing and
// removing a row must both use this, so the 'delete' command sees byte for byte what was indexed.
// Files before the current schema indexed plain folded text.
std::vector<SQLValue> indexedValues(std::int64_t id, const std::optional<std::string>& title,
                                    const std::optional<std::string>& url, const std::string& body,
                                    TextForm form = TextNormalizer::indexForm) {
    return {SQLValue::integer(id), SQLValue::text(form(title.value_or(""))),
            SQLValue::text(form(withoutSchemeAndWWW(url))), SQLValue::text(form(body))};
}

std::optional<RelativeRect> windowRect(const SQLRow& row, int first) {
    for (int i = first; i < first + 4; ++i) {
        if (row.isNull(i)) {
            return std::nullopt;
        }
    }
    return RelativeRect{row.real(first), row.real(first + 1), row.real(first + 2), row.real(first + 3)};
}

struct StoredText {
    std::optional<std::string> title;
    std::optional<std::string> url;
    std::optional<std::string> body; // absent when the moment has no text row
};

// The moment's title, address and text as stored; absent when there is no frame row.
std::optional<StoredText> storedText(SQLiteDatabase& db, std::int64_t frameID) {
    std::optional<StoredText> result;
    const auto rows =
        db.query(textLookupStatement, {SQLValue::integer(frameID)}, true, [](const SQLRow& row) {
            return StoredText{row.text(0), row.text(1), row.text(2)};
        });
    if (!rows.empty()) {
        result = rows.front();
    }
    return result;
}

// Removes a full-text row: by rowid alone with plain deletes, else with the 'delete' command and
// exactly the values the row was indexed with.
void removeIndexRow(SQLiteDatabase& db, bool plainDelete, const std::vector<SQLValue>& indexed) {
    if (plainDelete) {
        db.run("DELETE FROM frame_fts WHERE rowid = ?", {indexed.front()});
    } else {
        db.run("INSERT INTO frame_fts (frame_fts, rowid, title, url, body) VALUES ('delete', ?, ?, ?, ?)",
               indexed);
    }
}

} // namespace

std::string MemoryStore::searchableURL(const std::optional<std::string>& url) {
    return TextNormalizer::indexForm(withoutSchemeAndWWW(url));
}

std::int64_t MemoryStore::insertFrame(const NewFrame& frame) {
    const std::string body = joinedLines(frame.lines);
    const auto rect = [&](double RelativeRect::*field) {
        return frame.windowRect ? SQLValue::real((*frame.windowRect).*field) : SQLValue::null();
    };
    std::vector<SQLValue> values{
        SQLValue::real(frame.timestamp),
        SQLValue::integer(frame.displayID),
        SQLValue::optionalText(frame.appBundleID),
        SQLValue::optionalText(frame.appName),
        SQLValue::optionalText(frame.windowTitle),
        SQLValue::optionalText(frame.url),
        SQLValue::optionalText(frame.project),
        SQLValue::integer(static_cast<std::int64_t>(frame.perceptualHash)),
        SQLValue::integer(frame.width),
        SQLValue::integer(frame.height),
        SQLValue::integer(toRaw(frame.imageState)),
        SQLValue::optionalInteger(frame.segmentID),
        SQLValue::optionalInteger(frame.segmentIndex),
        SQLValue::integer(toRaw(frame.ocrState)),
        SQLValue::integer(frame.textSource.rawValue),
        SQLValue::integer(static_cast<std::int64_t>(Graphemes::count(body))),
        SQLValue::integer(frame.bytes),
        rect(&RelativeRect::x),
        rect(&RelativeRect::y),
        rect(&RelativeRect::width),
        rect(&RelativeRect::height),
    };
    return db_->transaction([&] {
        db_->run(
            "INSERT INTO frames (ts, display_id, app_bundle, app_name, window_title, url, project, phash, "
            "width, height,\n    image_state, segment_id, segment_index, ocr_state, text_source, text_chars, "
            "bytes, win_x, win_y, win_w, win_h)\nVALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
            values);
        const std::int64_t id = db_->lastInsertRowID();
        db_->run("INSERT INTO frame_text (frame_id, body) VALUES (?, ?)",
                 {SQLValue::integer(id), SQLValue::text(body)});
        db_->run(ftsInsertStatement, indexedValues(id, frame.windowTitle, frame.url, body));
        return id;
    });
}

void MemoryStore::addText(std::int64_t frameID, const std::vector<std::string>& lines, TextSource source,
                          std::optional<OCRState> newState) {
    db_->transaction([&] {
        const std::optional<StoredText> stored = storedText(*db_, frameID);
        if (!stored) {
            return;
        }
        std::string body = stored->body.value_or("");
        if (!lines.empty()) {
            body += (body.empty() ? "" : "\n") + joinedLines(lines);
            deleteFTSRow(frameID);
            db_->run("INSERT OR REPLACE INTO frame_text (frame_id, body) VALUES (?, ?)",
                     {SQLValue::integer(frameID), SQLValue::text(body)});
            db_->run(ftsInsertStatement, indexedValues(frameID, stored->title, stored->url, body));
        }
        const auto characters = SQLValue::integer(static_cast<std::int64_t>(Graphemes::count(body)));
        if (newState) {
            db_->run(
                "UPDATE frames SET text_source = text_source | ?, text_chars = ?, ocr_state = ? WHERE id = ?",
                {SQLValue::integer(source.rawValue), characters, SQLValue::integer(toRaw(*newState)),
                 SQLValue::integer(frameID)});
        } else {
            db_->run("UPDATE frames SET text_source = text_source | ?, text_chars = ? WHERE id = ?",
                     {SQLValue::integer(source.rawValue), characters, SQLValue::integer(frameID)});
        }
    });
}

void MemoryStore::setOCRState(std::int64_t frameID, OCRState state) {
    db_->run("UPDATE frames SET ocr_state = ? WHERE id = ?",
             {SQLValue::integer(toRaw(state)), SQLValue::integer(frameID)});
}

void MemoryStore::deleteFTSRow(std::int64_t frameID) {
    const SQLValue id = SQLValue::integer(frameID);
    db_->transaction([&] {
        if (contentlessDelete_) {
            removeIndexRow(*db_, true, {id});
        } else {
            const std::optional<StoredText> stored = storedText(*db_, frameID);
            // Every index row is written together with its text row, so no text row means no index row.
            if (!stored || !stored->body) {
                return;
            }
            removeIndexRow(*db_, false, indexedValues(frameID, stored->title, stored->url, *stored->body));
        }
        db_->run("DELETE FROM frame_text WHERE frame_id = ?", {id});
    });
}

void MemoryStore::reindexGlyphWords() {
    // Only a text with such a glyph can have been indexed differently; the rest is not folded again.
    const auto candidates = db_->query(
        "SELECT f.id, f.window_title, f.url, t.body FROM frames f JOIN frame_text t ON t.frame_id = f.id", {},
        false, [](const SQLRow& row) -> std::optional<std::int64_t> {
            for (int column = 1; column <= 3; ++column) {
                if (TextNormalizer::hasGlyphsTheIndexKeeps(row.text(column).value_or(""))) {
                    return row.int64(0);
                }
            }
            return std::nullopt;
        });
    const bool plainDelete = readContentlessDelete();
    for (const std::optional<std::int64_t> id : candidates) {
        if (!id) {
            continue;
        }
        const StoredText stored = *storedText(*db_, *id);
        const std::string body = stored.body.value_or("");
        const auto before = indexedValues(*id, stored.title, stored.url, body, TextNormalizer::fold);
        const auto after = indexedValues(*id, stored.title, stored.url, body);
        if (before != after) {
            removeIndexRow(*db_, plainDelete, before);
            db_->run(ftsInsertStatement, after);
        }
    }
}

void MemoryStore::indexEveryText() {
    db_->readRows(
        "SELECT f.id, f.window_title, f.url, t.body FROM frames f JOIN frame_text t ON t.frame_id = f.id", {},
        false, [&](const SQLRow& row) {
            db_->run(ftsInsertStatement,
                     indexedValues(row.int64(0), row.text(1), row.text(2), row.text(3).value_or("")));
            return true;
        });
}

FrameRecord MemoryStore::readFrameRecord(const SQLRow& row) {
    FrameRecord record;
    record.id = row.int64(0);
    record.timestamp = row.real(1);
    record.displayID = static_cast<std::uint32_t>(row.int64(2));
    record.appBundleID = row.text(3);
    record.appName = row.text(4);
    record.windowTitle = row.text(5);
    record.url = row.text(6);
    record.project = row.text(7);
    record.width = row.int64(8);
    record.height = row.int64(9);
    record.imageState = imageStateFromRaw(row.int64(10)).value_or(ImageState::none);
    record.imagePath = row.text(11);
    record.segmentID = row.optionalInt64(12);
    record.segmentIndex = row.optionalInt64(13);
    record.segmentPath = row.text(14);
    record.ocrState = ocrStateFromRaw(row.int64(15)).value_or(OCRState::notNeeded);
    record.textSource = TextSource(row.int64(16));
    record.textChars = row.int64(17);
    record.keyframe = row.int64(18);
    record.bytes = row.int64(19);
    record.windowRect = windowRect(row, 20);
    return record;
}

FrameSummary MemoryStore::readFrameSummary(const SQLRow& row) {
    FrameSummary summary;
    summary.id = row.int64(0);
    summary.timestamp = row.real(1);
    summary.displayID = static_cast<std::uint32_t>(row.int64(2));
    summary.appBundleID = row.text(3);
    summary.appName = row.text(4);
    summary.windowTitle = row.text(5);
    summary.url = row.text(6);
    summary.imageState = imageStateFromRaw(row.int64(7)).value_or(ImageState::none);
    summary.segmentPath = row.text(8);
    summary.segmentIndex = row.optionalInt64(9);
    return summary;
}

} // namespace ostrel
