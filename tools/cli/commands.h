// The subcommands of kestrune-cli. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

#include <QStringList>

namespace kestrune::cli {

struct Command {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(const QStringList& arguments);
};

int runList(const QStringList& arguments);
int runExport(const QStringList& arguments);
int runChapters(const QStringList& arguments);
int runImport(const QStringList& arguments);
int runSections(const QStringList& arguments);
int runRelink(const QStringList& arguments);

inline constexpr const char* kListHelp =
    "Usage: kestrune-cli list [--json]\n"
    "\n"
    "Lists the projects in the library, most recently changed first: id, name,\n"
    "number of clips, total length and the date of the last change.\n"
    "\n"
    "  --json   print one JSON array of objects with the keys id, name, clipCount,\n"
    "           totalDuration (seconds), createdAt and updatedAt (seconds since\n"
    "           2001-01-01T00:00:00Z, as in the project files)\n";

inline constexpr const char* kExportHelp =
    "Usage: kestrune-cli export PROJECT -o OUT [--codec CODEC] [--quality QUALITY]\n"
    "\n"
    "Joins the project's clips into one video with the chapter sidebar, as the\n"
    "export dialog does, and prints the path of the written file.\n"
    "\n"
    "  PROJECT            the id of a project in the library (see 'kestrune-cli list')\n"
    "                     or the path of a project file\n"
    "  -o, --output OUT   the file to write; an existing file is replaced\n"
    "  --codec CODEC      h264 (default), hevc, or prores (a QuickTime movie:\n"
    "                     name OUT with .mov)\n"
    "  --quality QUALITY  standard, high (default) or maximum\n"
    "\n"
    "Progress goes to standard error. Ctrl-C (or closing the terminal) cancels the export.\n"
    "Exit status: 0 when the file was written, 1 when the export failed or could\n"
    "not start, 2 for a usage error, 130 when cancelled.\n";

inline constexpr const char* kChaptersHelp =
    "Usage: kestrune-cli chapters PROJECT [--format FORMAT]\n"
    "\n"
    "Prints the project's chapters, the sections that begin before the end of the\n"
    "video as the export shows them, for publishing with the exported file.\n"
    "\n"
    "  PROJECT          the id of a project in the library (see 'kestrune-cli list')\n"
    "                   or the path of a project file\n"
    "  --format FORMAT  youtube (default): \"MM:SS Title\" lines for a video's\n"
    "                   description; what keeps YouTube from showing them as\n"
    "                   chapters is said on standard error\n"
    "                   ffmetadata: FFmpeg's metadata file, for\n"
    "                   ffmpeg -i video.mp4 -i chapters.txt -map_metadata 1 -c copy\n"
    "                   webvtt: a WebVTT chapter track\n"
    "\n"
    "Exit status: 0 when the chapters were printed, 1 when the project could not be\n"
    "read, 2 for a usage error.\n";

inline constexpr const char* kImportHelp =
    "Usage: kestrune-cli import FILE... [--name NAME]\n"
    "\n"
    "Makes a new project of the given video files (MP4, MOV or M4V), as dropping\n"
    "them on the editor does, saves it in the library and prints its id.\n"
    "\n"
    "  FILE         a video file; the clips keep the order of the files\n"
    "  --name NAME  the project's name (default \"Untitled Project\")\n"
    "\n"
    "A file that cannot be imported is named on standard error and left out.\n"
    "Exit status: 0 when the project was saved, 1 when no file could be imported\n"
    "or the project could not be saved, 2 for a usage error.\n";

inline constexpr const char* kSectionsHelp =
    "Usage: kestrune-cli sections PROJECT [list]\n"
    "       kestrune-cli sections PROJECT add --title TITLE [--subtitle TEXT] --at TIME\n"
    "       kestrune-cli sections PROJECT import FILE|- [--replace|--add]\n"
    "       kestrune-cli sections PROJECT from-clips [--replace|--add]\n"
    "       kestrune-cli sections PROJECT clear\n"
    "\n"
    "Lists or changes a project's sections, the chapters of the exported video.\n"
    "\n"
    "  PROJECT     the id of a project in the library (see 'kestrune-cli list')\n"
    "              or the path of a project file\n"
    "  list        print the sections, one a line: the start time (MM:SS, or H:MM:SS\n"
    "              from an hour on), a tab, the title, and a tab and the subtitle\n"
    "              when there is one\n"
    "  add         add a section starting at TIME, as minutes and seconds (1:30) or\n"
    "              seconds (90), before the end of the video\n"
    "  import      read chapters from FILE, or from standard input for -: a YouTube\n"
    "              description, an FFmpeg metadata file, a WebVTT chapter track, or\n"
    "              a video file's chapters; lines that could not be read and chapters\n"
    "              past the end of the video are named on standard error\n"
    "  from-clips  one section at the start of each clip, titled with its file name\n"
    "  clear       remove every section\n"
    "  --replace   replace the sections a project already has (import, from-clips)\n"
    "  --add       keep them and add the new ones; one of the two is needed when the\n"
    "              project has sections\n"
    "\n"
    "The changes print the sections they made. A project open in the Kestrune window\n"
    "is not changed: close it there first.\n"
    "Exit status: 0 on success, 1 when the project could not be read, changed or\n"
    "saved, or nothing could be imported, 2 for a usage error.\n";

inline constexpr const char* kRelinkHelp =
    "Usage: kestrune-cli relink PROJECT --search DIR [--search DIR]... [--dry-run]\n"
    "\n"
    "Finds the files of the project's clips that were moved to other folders, and\n"
    "points the clips at them. A file is taken for a clip's only when it has the\n"
    "clip's file name and exactly its size, and is a video of the clip's length; a\n"
    "renamed file is not found.\n"
    "\n"
    "  PROJECT       the id of a project in the library (see 'kestrune-cli list')\n"
    "                or the path of a project file\n"
    "  --search DIR  look through DIR and its subfolders (not hidden ones, and not\n"
    "                through links); give it again to look in more folders\n"
    "  --dry-run     say what would be found, but leave the project as it is\n"
    "\n"
    "Prints \"NAME: found at PATH\" or \"NAME: not found\" for each missing clip. The\n"
    "search gives up after 200 000 files and folders or a minute, and says so.\n"
    "A project open in the Kestrune window is not changed: close it there first.\n"
    "Exit status: 0 when no clip is missing any more, 1 when some still are or the\n"
    "project could not be read or saved, 2 for a usage error.\n";

} // namespace kestrune::cli
