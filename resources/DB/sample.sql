-- Sample data for a first start, relative to the day the database is made:
--   today()  the day as a TDateTime number (midnight);
--   near(n)  the day n days from today, or n days back when that would leave the current month,
--            so every appointment shows on the first month page.
-- Times are fractions of a day; an all-day appointment starts and ends at the same time of day.
-- The appointments with a time of day carry an alarm (Alarm 1), so they ring when they start;
-- the all-day ones and the birthday do not.

INSERT INTO termine (StartTime, EndTime, Subject, Notes, Terminart, Alarm, Adressnummer, Benutzer) VALUES
  (today() + 14.5/24,   today() + 15.5/24,   'Zahnarzt',              'Kontrolltermin, Bonusheft mitnehmen', 1, 1, NULL, 'alle'),
  (near(1) + 9.0/24,    near(1) + 10.5/24,   'Besprechung im Büro',   'Raum 3, Unterlagen vom Vormonat',     1, 1, NULL, 'alle'),
  (near(3),             near(3),             'Stadtfest',             'Den ganzen Tag auf dem Marktplatz',   0, 0, NULL, 'alle'),
  (near(5) + 19.0/24,   near(5) + 21.0/24,   'Chorprobe',             '',                                    1, 1, NULL, 'alle'),
  (near(-2) + 8.25/24,  near(-2) + 8.75/24,  'Auto in die Werkstatt', 'Winterreifen aufziehen lassen',       1, 1, NULL, 'alle'),
  (near(-4),            near(-4),            'Urlaubstag',            NULL,                                  0, 0, NULL, 'alle'),
  (near(2),             near(2),             'Geburtstag von Oma Hilde', 'Blumen besorgen',                  5, 0, 1,    'alle');

INSERT INTO adressen (AdressenNr, EmailAdresse1) VALUES
  (1, 'oma.hilde@example.org');

INSERT INTO Aufgaben (Betreff, Memo, Fertig, Eingefuegt, ProzentFertig, FertigDatum, Prioritaet, Status, "Key") VALUES
  ('Steuererklärung abgeben', 'Belege sammeln und sortieren', 0, today() - 3,  25,  today() + 11 + 12.0/24, 3, 2, '{5B1E7C0A-3F2D-4C8E-9A61-0D4F2B7E1C01}'),
  ('Fahrrad reparieren',      'Schlauch hinten wechseln',     0, today() - 1,  0,   today() + 6 + 18.0/24,  2, 0, '{5B1E7C0A-3F2D-4C8E-9A61-0D4F2B7E1C02}'),
  ('Fotos sortieren',         'Urlaubsbilder vom Sommer',     1, today() - 10, 100, today() - 2,            1, 1, '{5B1E7C0A-3F2D-4C8E-9A61-0D4F2B7E1C03}');
