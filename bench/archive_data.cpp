#include "archive_data.h"

#include "store/archive.h"

#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <string>

namespace tallomir::bench {

store::Database& filledArchive() {
    static QTemporaryDir folder;
    static std::unique_ptr<store::Database> db = [] {
        auto opened = std::make_unique<store::Database>();
        if (!opened->open(folder.filePath("bench.sqlite").toStdString()))
            std::abort();
        opened->transaction([&]() -> std::string {
            for (int i = 1; i <= archiveEntryCount; ++i) {
                const std::string number = "RE-2026-" + std::to_string(10000 + i).substr(1);
                const std::string day = std::to_string(10 + i % 18);
                const std::string month = std::to_string(101 + i % 12).substr(1);
                const std::string gross = std::to_string(i * 7 % 5000) + "." + std::to_string(10 + i % 90);
                QByteArray bytes(6000, 'x');
                bytes.replace(0, static_cast<qsizetype>(number.size()), number.c_str());
                const store::ArchiveFacts facts{number,
                                                "380",
                                                "2026-" + month + "-" + day,
                                                "Wir GmbH",
                                                "Kunde " + std::to_string(i % 500) + " GmbH",
                                                gross,
                                                "0.00",
                                                gross};
                if (!store::archiveInvoice(
                         *opened, bytes, i % 3 ? store::Direction::Issued : store::Direction::Received, facts)
                         .ok)
                    std::abort();
            }
            return {};
        });
        return opened;
    }();
    return *db;
}

} // namespace tallomir::bench
