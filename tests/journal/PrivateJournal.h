#pragma once
// A private undo journal for one test: the per-user data folder and the folder of instance
// locks point into a temporary folder while the object lives, also for the tools a test starts.

#include "support/ScopedEnv.h"

#include <QTemporaryDir>

struct PrivateJournal {
    QTemporaryDir home;
    testfiles::ScopedEnv dataHome{"KRDL_DATA_HOME", home.path().toStdString()};
    testfiles::ScopedEnv runtime{"KRDL_RUNTIME_DIR", home.filePath(QStringLiteral("run")).toStdString()};
};
