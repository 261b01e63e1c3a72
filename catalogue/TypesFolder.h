#pragma once

#include <QString>

// Where the modem types (Quillon_dir.ini and the type folders) are taken from, in the order they
// are looked for. A folder named on purpose (--data, QUILLON_DATA_DIR) is used even when it holds
// no catalogue, so that a mistyped name is reported rather than passed over; the others count only
// when they hold one, so that an installed Quillon works on the user's types, else the system's,
// else the demo that comes with it.
enum class TypesSource
{
    Given,       // --data FOLDER
    Environment, // $QUILLON_DATA_DIR
    User,        // $XDG_DATA_HOME/quillon/types, %LOCALAPPDATA%\quillon\types
    System,      // /etc/quillon/types; the program's folder on Windows
    Demo         // the demo types installed with the program
};

// The candidate folders; an empty one is not looked at.
struct TypesPlaces
{
    QString given;
    QString environment;
    QString user;
    QString system;
    QString demo;

    // This machine's places, with Given (may be empty) from the command line.
    static TypesPlaces OfThisMachine(const QString &Given = {});
};

struct TypesFolder
{
    QString path; // ends with a separator
    TypesSource source = TypesSource::Demo;
};

// The folder the types are read from. When no place holds a catalogue, the demo's place, whose
// missing catalogue the reader then reports.
TypesFolder FindTypesFolder(const TypesPlaces &Places);

// "/home/anna/.local/share/quillon/types/ (папка пользователя)": for the window's log.
QString TypesFolderText(const TypesFolder &Folder);
// Where a source is on this system, as the runner's --help documents it ("/etc/quillon/types").
QString TypesPlaceText(TypesSource Source);
// The same in English, for the runner's --help.
QString TypesFolderTextEnglish(const TypesFolder &Folder);
