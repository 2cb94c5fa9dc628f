-- A small table with what output formats must get right: NULLs apart from empty texts,
-- quotes, commas, line breaks, text beyond ASCII, and exact numbers right-aligned.
\null (null)
DROP TABLE IF EXISTS qz_golden;
CREATE TABLE qz_golden ("id" INTEGER PRIMARY KEY, "name" VARCHAR(40), "note" VARCHAR(100));
INSERT INTO qz_golden VALUES (1, 'plain', NULL);
INSERT INTO qz_golden VALUES (2, 'O''Brien says "hi"', 'a, b, c');
INSERT INTO qz_golden VALUES (3, 'two
lines', 'Grüße – café');
INSERT INTO qz_golden VALUES (4, '日本語 ✓', 'wide');
INSERT INTO qz_golden VALUES (5, NULL, 'comma,quote",both');
INSERT INTO qz_golden VALUES (6, 'six', 'six');
INSERT INTO qz_golden VALUES (7, '', NULL);
UPDATE qz_golden SET "note" = 'changed; twice' WHERE "id" IN (4, 6);
ALTER TABLE qz_golden ADD COLUMN "amount" NUMERIC(38,10);
UPDATE qz_golden SET "amount" = 1234567890123456789012345678.0123456789 WHERE "id" = 1;
UPDATE qz_golden SET "amount" = -0.5 WHERE "id" = 2;
SELECT "id", "name", "note", "amount" FROM qz_golden ORDER BY "id";
