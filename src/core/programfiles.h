#pragma once
// The names of the files and folders of the program folder, relative to it.
#include <QLatin1String>

namespace zv::file {

// Settings.
inline constexpr QLatin1String generalIni{"general.ini"};
inline constexpr QLatin1String portIni{"port.ini"};
inline constexpr QLatin1String printIni{"print.ini"};
inline constexpr QLatin1String oemIni{"oem.ini"};

// Databases.
inline constexpr QLatin1String dailyDb{"zarvium.mdb"};
inline constexpr QLatin1String archiveDb{"zarviumtotale.mdb"};
inline constexpr QLatin1String referenceDb{"riferimenti.mdb"};
inline constexpr QLatin1String vetDb{"vet.mdb"};
// Compaction writes here before it replaces a database.
inline constexpr QLatin1String scratchDb{"Temp.mdb"};
// The empty archive from which new archive files are made.
inline constexpr QLatin1String archiveTemplate{"back-up/startdb/zarviumtotale.mdb"};

// Held while the program runs, so a second instance refuses to start.
inline constexpr QLatin1String lockFile{"zarvium.lock"};

// Folders.
inline constexpr QLatin1String logFolder{"log"};
inline constexpr QLatin1String rxlogFolder{"rxlog"};
inline constexpr QLatin1String backupFolder{"back-up"};
inline constexpr QLatin1String picturesFolder{"immagini"};
inline constexpr QLatin1String logoFolder{"logo"};

}  // namespace zv::file
