CREATE TABLE demo (id INT, name NVARCHAR(20))
INSERT INTO demo VALUES (1, 'alpha')
SELECT id, name FROM demo
GO
SELECT * FROM missing_table
GO
PRINT 'between batches'
 go 
INSERT INTO demo VALUES (2, NULL)
SELECT name FROM demo WHERE id = 2
