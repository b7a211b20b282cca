#pragma once
// The database layer in one include: connections and transactions,
// recordsets, and whole-file operations.
#include "platform/connection.h"
#include "platform/dbfiles.h"
#include "platform/recordset.h"
