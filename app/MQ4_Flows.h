#pragma once
// The window program's ways to and from MQ4 files: a file dialog, then the
// file itself (io/MQ4_File.h).

#include "core/MQ4_Document.h"

// failed: the dialog could not be shown or the file not read; the reason has
// been printed.
enum class Open_Outcome { opened, cancelled, failed };

struct MQ4_Open_Result {
    Open_Outcome outcome;
    MQ4_Document document; // the empty picture unless opened
};

// Asks for an MQ4 file and reads it.
MQ4_Open_Result Open_MQ4_file();

// Asks where to save the picture and writes it; reports on the console.
void Save_MQ4_File(const MQ4_Document& doc);
