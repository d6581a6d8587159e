-- Builds the sample order-processing database used by the demo and the tests.
-- Deterministic: every value is derived from row numbers, never from random().
PRAGMA synchronous = OFF;
BEGIN;

CREATE TABLE Categories (
  CategoryID   INTEGER PRIMARY KEY,
  CategoryName VARCHAR(15) NOT NULL,
  Description  TEXT
);

CREATE TABLE Suppliers (
  SupplierID   INTEGER PRIMARY KEY,
  CompanyName  VARCHAR(40) NOT NULL,
  ContactName  VARCHAR(30),
  Country      VARCHAR(15)
);

CREATE TABLE Products (
  ProductID     INTEGER PRIMARY KEY,
  ProductName   VARCHAR(40) NOT NULL,
  SupplierID    INTEGER REFERENCES Suppliers(SupplierID),
  CategoryID    INTEGER REFERENCES Categories(CategoryID),
  "Unit Price"  DECIMAL(10,2),
  UnitsInStock  SMALLINT,
  Discontinued  BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE Customers (
  CustomerID   INTEGER PRIMARY KEY,
  CompanyName  VARCHAR(40) NOT NULL,
  ContactName  VARCHAR(30),
  City         VARCHAR(15),
  Country      VARCHAR(15),
  Phone        VARCHAR(24),
  CreditLimit  REAL
);

CREATE TABLE Employees (
  EmployeeID  INTEGER PRIMARY KEY,
  LastName    VARCHAR(20) NOT NULL,
  FirstName   VARCHAR(10) NOT NULL,
  Title       VARCHAR(30),
  BirthDate   DATE,
  HireDate    DATETIME,
  ReportsTo   INTEGER REFERENCES Employees(EmployeeID)
);

CREATE TABLE Shippers (
  ShipperID    INTEGER PRIMARY KEY,
  CompanyName  VARCHAR(40) NOT NULL,
  Phone        VARCHAR(24)
);

CREATE TABLE Orders (
  OrderID      INTEGER PRIMARY KEY,
  CustomerID   INTEGER REFERENCES Customers(CustomerID),
  EmployeeID   INTEGER REFERENCES Employees(EmployeeID),
  OrderDate    DATETIME,
  RequiredDate DATE,
  ShippedDate  DATETIME,
  ShipVia      INTEGER REFERENCES Shippers(ShipperID),
  Freight      DECIMAL(10,2),
  ShipCity     VARCHAR(15)
);

CREATE TABLE "Order Details" (
  OrderID    INTEGER NOT NULL REFERENCES Orders(OrderID),
  ProductID  INTEGER NOT NULL REFERENCES Products(ProductID),
  UnitPrice  DECIMAL(10,2) NOT NULL,
  Quantity   SMALLINT NOT NULL,
  Discount   REAL NOT NULL DEFAULT 0,
  PRIMARY KEY (OrderID, ProductID)
);

INSERT INTO Categories VALUES
  (1, 'Beverages', 'Soft drinks, coffees, teas, beers, and ales'),
  (2, 'Condiments', 'Sweet and savory sauces, relishes, spreads, and seasonings'),
  (3, 'Confections', 'Desserts, candies, and sweet breads'),
  (4, 'Dairy Products', 'Cheeses'),
  (5, 'Grains/Cereals', 'Breads, crackers, pasta, and cereal'),
  (6, 'Meat/Poultry', 'Prepared meats'),
  (7, 'Produce', 'Dried fruit and bean curd'),
  (8, 'Seafood', NULL);

INSERT INTO Shippers VALUES
  (1, 'Speedy Express', '(503) 555-9831'),
  (2, 'United Package', '(503) 555-3199'),
  (3, 'Federal Shipping', NULL);

INSERT INTO Employees VALUES
  (1, 'Davolio',   'Nancy',   'Sales Representative',     '1968-12-08', '2012-05-01 09:00:00', 2),
  (2, 'Fuller',    'Andrew',  'Vice President, Sales',    '1972-02-19', '2012-08-14 08:30:00', NULL),
  (3, 'Leverling', 'Janet',   'Sales Representative',     '1983-08-30', '2012-04-01 09:00:00', 2),
  (4, 'Peacock',   'Margaret','Sales Representative',     '1957-09-19', '2013-05-03 10:15:00', 2),
  (5, 'Buchanan',  'Steven',  'Sales Manager',            '1975-03-04', '2013-10-17 09:00:00', 2),
  (6, 'Suyama',    'Michael', 'Sales Representative',     '1983-07-02', '2013-10-17 13:00:00', 5),
  (7, 'King',      'Robert',  'Sales Representative',     '1980-05-29', '2014-01-02 09:00:00', 5),
  (8, 'Callahan',  'Laura',   'Inside Sales Coordinator', '1978-01-09', '2014-03-05 09:00:00', 2),
  (9, 'O''Neill',  'Anne',    NULL,                       NULL,         '2014-11-15 09:00:00', 5);

-- 29 suppliers
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 29)
INSERT INTO Suppliers
SELECT i,
       CASE i WHEN 7 THEN 'Pavlova''s Kitchen' ELSE 'Supplier ' || printf('%02d', i) END,
       'Contact ' || i,
       CASE i % 5 WHEN 0 THEN 'UK' WHEN 1 THEN 'USA' WHEN 2 THEN 'Germany' WHEN 3 THEN 'France' ELSE 'Japan' END
FROM n;

-- 77 products
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 77)
INSERT INTO Products
SELECT i,
       CASE i WHEN 1 THEN 'Chai' WHEN 2 THEN 'Chang' WHEN 3 THEN 'Aniseed Syrup'
              WHEN 4 THEN 'Chef Anton''s Cajun Seasoning' WHEN 5 THEN 'Grandma''s Boysenberry Spread'
              ELSE 'Product ' || printf('%03d', i) END,
       1 + (i * 7) % 29,
       1 + (i * 3) % 8,
       CAST(((i * 37) % 9000) / 100.0 + 2.5 AS DECIMAL(10,2)),
       CASE WHEN i % 11 = 0 THEN NULL ELSE (i * 13) % 120 END,
       CASE WHEN i % 9 = 0 THEN 1 ELSE 0 END
FROM n;

-- 500 customers
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)
INSERT INTO Customers
SELECT i,
       CASE WHEN i % 50 = 3 THEN 'O''Brien''s Deli ' || i ELSE 'Customer ' || printf('%04d', i) END,
       CASE WHEN i % 17 = 0 THEN NULL WHEN i % 50 = 3 THEN 'Sean O''Brien' ELSE 'Contact ' || i END,
       CASE i % 8 WHEN 0 THEN 'London' WHEN 1 THEN 'Seattle' WHEN 2 THEN 'Berlin' WHEN 3 THEN 'Paris'
                  WHEN 4 THEN 'Tokyo' WHEN 5 THEN 'Madrid' WHEN 6 THEN 'Lyon' ELSE 'Portland' END,
       CASE i % 8 WHEN 0 THEN 'UK' WHEN 1 THEN 'USA' WHEN 2 THEN 'Germany' WHEN 3 THEN 'France'
                  WHEN 4 THEN 'Japan' WHEN 5 THEN 'Spain' WHEN 6 THEN 'France' ELSE 'USA' END,
       CASE WHEN i % 13 = 0 THEN NULL ELSE '(555) ' || printf('%03d-%04d', i % 1000, (i * 7919) % 10000) END,
       CASE WHEN i % 10 = 0 THEN NULL ELSE 1000.0 + (i * 97) % 50000 END
FROM n;

-- 20,000 orders over four years
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)
INSERT INTO Orders
SELECT 10000 + i,
       1 + (i * 31) % 500,
       1 + (i * 5) % 9,
       datetime('2020-01-01 08:00:00', '+' || (i * 7 % 1461) || ' days', '+' || (i * 11 % 600) || ' minutes'),
       date('2020-01-01', '+' || (i * 7 % 1461 + 14) || ' days'),
       CASE WHEN i % 23 = 0 THEN NULL
            ELSE datetime('2020-01-01 15:30:00', '+' || (i * 7 % 1461 + 2 + i % 5) || ' days') END,
       1 + i % 3,
       CAST(((i * 173) % 50000) / 100.0 AS DECIMAL(10,2)),
       CASE i % 8 WHEN 0 THEN 'London' WHEN 1 THEN 'Seattle' WHEN 2 THEN 'Berlin' WHEN 3 THEN 'Paris'
                  WHEN 4 THEN 'Tokyo' WHEN 5 THEN 'Madrid' WHEN 6 THEN 'Lyon' ELSE 'Portland' END
FROM n;

-- 6 lines per order: 120,000 order lines
WITH RECURSIVE l(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM l WHERE k < 5)
INSERT INTO "Order Details"
SELECT o.OrderID,
       1 + (o.OrderID * 3 + l.k * 13) % 77,
       p."Unit Price",
       1 + (o.OrderID + l.k * 7) % 40,
       CASE WHEN (o.OrderID + l.k) % 10 = 0 THEN 0.05 WHEN (o.OrderID + l.k) % 25 = 0 THEN 0.15 ELSE 0 END
FROM Orders o CROSS JOIN l
JOIN Products p ON p.ProductID = 1 + (o.OrderID * 3 + l.k * 13) % 77;

CREATE VIEW "Order Subtotals" AS
SELECT OrderID, SUM(UnitPrice * Quantity * (1 - Discount)) AS Subtotal
FROM "Order Details"
GROUP BY OrderID;

CREATE VIEW "Current Product List" AS
SELECT ProductID, ProductName FROM Products WHERE Discontinued = 0;

COMMIT;
