-- An archive of 3,000,000 results, 200 a day from 1 January 2000, with the
-- values the searches read and no histograms: for the date-index figures.
-- Run from the repository: sqlite3 <file> < scripts/bench-narrow-archive.sql
.read dist/schema/results.sql
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000000)
INSERT INTO datinumerici (ID1, seq, specId, specName, date, WBC)
SELECT i, i, 'S' || i, CASE WHEN i % 100 = 0 THEN 'ROSSI MARIO' ELSE 'PAZIENTE ' || i END,
       strftime('%d/%m/', date('2000-01-01', '+' || ((i - 1) / 200) || ' days')) || substr(strftime('%Y', date('2000-01-01', '+' || ((i - 1) / 200) || ' days')), 3),
       7.46 FROM n;
COMMIT;
