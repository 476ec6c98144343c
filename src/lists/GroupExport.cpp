// Tested by tests/lists/GroupExportTest.cpp.
#include "lists/GroupExport.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "platform/TextConverter.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "textfiles/ReplacementFile.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr std::size_t kFlushAt = 256 * 1024;

// Where the bytes go; false once anything could not be written, with the system's error number.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool write(std::string_view bytes) = 0;
    virtual int error() const = 0;
};

class FileSink final : public Sink {
public:
    explicit FileSink(ReplacementFile& file) : m_file(file) {}
    bool write(std::string_view bytes) override { return m_file.write(bytes); }
    int error() const override { return m_file.error(); }

private:
    ReplacementFile& m_file;
};

class DescriptorSink final : public Sink {
public:
    explicit DescriptorSink(int descriptor) : m_descriptor(descriptor) {}
    bool write(std::string_view bytes) override {
        while (!bytes.empty() && m_error == 0) {
            const ssize_t done = ::write(m_descriptor, bytes.data(), bytes.size());
            if (done < 0) {
                if (errno != EINTR) m_error = errno;
                continue;
            }
            bytes.remove_prefix(static_cast<std::size_t>(done));
        }
        return m_error == 0;
    }
    int error() const override { return m_error; }

private:
    int m_descriptor;
    int m_error = 0;
};

bool needsQuotes(std::string_view field) {
    // A GBK trail byte is 0x40 or above, so none of these can be half of a character.
    return field.find_first_of(",\"\r\n") != std::string_view::npos ||
           (!field.empty() && (field.front() == ' ' || field.back() == ' '));
}

void appendCsvField(std::string& out, std::string_view field) {
    if (!needsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

class Exporter {
public:
    Exporter(AddressStore& store, RowId groupId, const GroupExportOptions& options, Sink& sink,
             GroupExportProgress& progress, std::stop_token stop, GroupExportResult& result)
        : m_store(store), m_groupId(groupId), m_options(options), m_sink(sink), m_progress(progress),
          m_stop(std::move(stop)), m_result(result) {
        if (options.encoding == ExportEncoding::kUtf8) m_toUtf8.emplace("UTF-8", "CP936");
    }

    // Whether every row was written.
    bool run() {
        try {
            const std::optional<std::int32_t> total = m_store.countGroupAddresses(m_groupId);
            if (!total) return fail("The address book is not open.");
            m_progress.total.store(static_cast<std::size_t>(*total));
            if (m_options.format == ExportFormat::kCsv) {
                if (m_options.encoding == ExportEncoding::kUtf8) m_buffer += kByteOrderMark;
                m_buffer += "email,name\r\n";
            }
            RowId after = 0;
            bool more = true;
            while (more) {
                if (m_stop.stop_requested()) {
                    m_result.cancelled = true;
                    return false;
                }
                more = readPage(after);
                if (!flush()) return false;
            }
        } catch (const DatabaseError& error) {
            m_result.databaseFailed = true;
            return fail(error.what());
        }
        return true;
    }

private:
    // Appends the next page of rows after id `after` to the buffer; whether a full page came (more may follow).
    bool readPage(RowId& after) {
        const auto pageRows = static_cast<std::int64_t>(m_options.pageRows > 0 ? m_options.pageRows : 1);
        std::size_t rows = 0;
        m_store.withConnection([&](OdbcConnection& connection) {
            // Keyset pages by id: each page starts where the last ended, from the primary key, so a page costs the
            // same at the end of a big group as at its start, and rows added or removed meanwhile shift nothing.
            // "+group_id" keeps the planner off the index on (group_id, email): from there it would sort the whole
            // rest of the group for every page.
            OdbcRecordSet records(connection);
            records.open("select id, email, name from AddressList where +group_id = ? and id > ? order by id limit ?",
                         {m_groupId, after, pageRows});
            for (; !records.isEof(); records.moveNext()) {
                after = records.integer("id");
                appendRow(records.text("email"), m_options.format == ExportFormat::kCsv ? records.text("name") : "");
                ++rows;
            }
        });
        m_result.rows += rows;
        m_progress.written.store(m_result.rows, std::memory_order_relaxed);
        return rows == static_cast<std::size_t>(pageRows);
    }

    void appendRow(const std::string& email, const std::string& name) {
        bool whole = true;
        std::string_view emailText = email;
        std::string_view nameText = name;
        if (m_toUtf8) {
            whole = m_toUtf8->convertReplacing(email, m_email, kReplacementCharacter);
            whole = m_toUtf8->convertReplacing(name, m_name, kReplacementCharacter) && whole;
            emailText = m_email;
            nameText = m_name;
        }
        if (!whole) ++m_result.unconvertible;
        if (m_options.format == ExportFormat::kCsv) {
            appendCsvField(m_buffer, emailText);
            m_buffer += ',';
            appendCsvField(m_buffer, nameText);
        } else {
            m_buffer += emailText;
        }
        m_buffer += "\r\n";
        if (m_buffer.size() >= kFlushAt) flush();
    }

    bool flush() {
        if (m_buffer.empty() || m_failed) return !m_failed;
        if (!m_sink.write(m_buffer)) {
            m_failed = true;
            fail(std::strerror(m_sink.error() != 0 ? m_sink.error() : EIO));
        }
        m_buffer.clear();
        return !m_failed;
    }

    bool fail(const std::string& why) {
        if (m_result.failure.empty()) m_result.failure = why;
        return false;
    }

    AddressStore& m_store;
    const RowId m_groupId;
    const GroupExportOptions& m_options;
    Sink& m_sink;
    GroupExportProgress& m_progress;
    const std::stop_token m_stop;
    GroupExportResult& m_result;
    std::optional<TextConverter> m_toUtf8;
    std::string m_buffer;
    std::string m_email;
    std::string m_name;
    bool m_failed = false;
};

GroupExportResult runExport(AddressStore& store, RowId groupId, const GroupExportOptions& options, Sink& sink,
                            GroupExportProgress* progress, std::stop_token stop, const std::function<bool()>& finish) {
    GroupExportResult result;
    GroupExportProgress unwatched;
    Exporter exporter(store, groupId, options, sink, progress ? *progress : unwatched, std::move(stop), result);
    if (exporter.run() && !result.cancelled) result.written = finish();
    if (!result.written && !result.cancelled && result.failure.empty())
        result.failure = std::strerror(sink.error() != 0 ? sink.error() : EIO);
    return result;
}

} // namespace

GroupExportResult exportGroup(AddressStore& store, RowId groupId, const std::string& path,
                              const GroupExportOptions& options, GroupExportProgress* progress, std::stop_token stop) {
    ReplacementFile file;
    if (!file.create(path)) {
        GroupExportResult result;
        result.failure = std::strerror(file.error() != 0 ? file.error() : EIO);
        return result;
    }
    FileSink sink(file);
    // Without a commit the file being written goes with `file`: a failure or a stop leaves nothing.
    return runExport(store, groupId, options, sink, progress, std::move(stop), [&] { return file.commit(); });
}

GroupExportResult exportGroupTo(AddressStore& store, RowId groupId, int descriptor, const GroupExportOptions& options,
                                GroupExportProgress* progress, std::stop_token stop) {
    DescriptorSink sink(descriptor);
    return runExport(store, groupId, options, sink, progress, std::move(stop), [] { return true; });
}
