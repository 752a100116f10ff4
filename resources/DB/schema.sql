-- The database "zorbelin.mde": appointments, addresses, tasks and the per-user refresh flag.
-- Dates are TDateTime numbers (days since 1899-12-30, the time as the fraction); Booleans are 0/1.
-- User names compare case-insensitively, as they did in the Jet database the programs shared.

-- Appointments; other programs write them, the calendar reads them.
CREATE TABLE IF NOT EXISTS termine (
    StartTime    DATETIME,
    EndTime      DATETIME,
    Subject      TEXT,
    Notes        LONGTEXT,
    Terminart    INTEGER,            -- kind; 5 = birthday, 4 = not shown
    Alarm        INTEGER,            -- 1 = the appointment has an alarm
    Adressnummer INTEGER,            -- key into adressen
    Benutzer     TEXT COLLATE NOCASE -- user name, or 'alle' for every user
);
CREATE INDEX IF NOT EXISTS termine_StartTime ON termine (StartTime);
CREATE INDEX IF NOT EXISTS termine_Benutzer ON termine (Benutzer);

-- Address book; the calendar reads the e-mail address for birthday greetings.
CREATE TABLE IF NOT EXISTS adressen (
    AdressenNr    INTEGER PRIMARY KEY,
    EmailAdresse1 TEXT
);

-- Tasks of the task window; each row is found by its key, a GUID text made when it is inserted.
CREATE TABLE IF NOT EXISTS Aufgaben (
    Betreff       TEXT,
    Memo          LONGTEXT,
    Fertig        BOOLEAN DEFAULT 0,
    Eingefuegt    DATETIME,
    ProzentFertig INTEGER DEFAULT 0,
    FertigDatum   DATETIME,
    Prioritaet    INTEGER DEFAULT 2,
    Status        INTEGER DEFAULT 0,
    "Key"         TEXT PRIMARY KEY
);

-- One row per calendar user: NeedUpdate = 1 asks that user's calendar to rebuild its page.
CREATE TABLE IF NOT EXISTS BenutzerEinstellungen (
    Benutzer   TEXT COLLATE NOCASE PRIMARY KEY,
    NeedUpdate BOOLEAN DEFAULT 0
);
