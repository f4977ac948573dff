-- Las bases del producto en un servidor de prueba (tools/sandbox y el mundo
-- de servicios de la etapa de Windows): datos1 y datos2 con sus artículos y
-- las cuatro que acompañan a la base replicada. Se puede correr otra vez.
CREATE DATABASE IF NOT EXISTS datos1;
CREATE TABLE IF NOT EXISTS datos1.articulos (
    id INT PRIMARY KEY, descripcion VARCHAR(60) NOT NULL, precio DECIMAL(10,2) NOT NULL);
INSERT IGNORE INTO datos1.articulos VALUES
    (1, 'Refresco de cola 600 ml', 18.50), (2, 'Pan blanco grande', 42.00),
    (3, 'Leche entera 1 l', 27.90);
CREATE DATABASE IF NOT EXISTS datos2;
CREATE TABLE IF NOT EXISTS datos2.articulos (
    id INT PRIMARY KEY, descripcion VARCHAR(60) NOT NULL, precio DECIMAL(10,2) NOT NULL);
INSERT IGNORE INTO datos2.articulos VALUES
    (1, 'Café soluble 200 g', 96.00), (2, 'Azúcar estándar 1 kg', 31.50);
CREATE DATABASE IF NOT EXISTS catalogossat;
CREATE TABLE IF NOT EXISTS catalogossat.claves_producto (
    clave CHAR(8) PRIMARY KEY, descripcion VARCHAR(80) NOT NULL);
INSERT IGNORE INTO catalogossat.claves_producto VALUES
    ('50202306', 'Refrescos'), ('50181900', 'Pan y galletas'), ('50131700', 'Leche');
CREATE DATABASE IF NOT EXISTS concentradorqxp;
CREATE TABLE IF NOT EXISTS concentradorqxp.sucursales (
    id INT PRIMARY KEY, nombre VARCHAR(60) NOT NULL);
INSERT IGNORE INTO concentradorqxp.sucursales VALUES (1, 'Matriz'), (2, 'Sucursal Centro');
CREATE DATABASE IF NOT EXISTS generalorvalo;
CREATE TABLE IF NOT EXISTS generalorvalo.parametros (
    nombre VARCHAR(40) PRIMARY KEY, valor VARCHAR(80) NOT NULL);
INSERT IGNORE INTO generalorvalo.parametros VALUES ('version', '5.1'), ('moneda', 'MXN');
CREATE DATABASE IF NOT EXISTS orvaloreportes;
CREATE TABLE IF NOT EXISTS orvaloreportes.reportes (
    id INT PRIMARY KEY, titulo VARCHAR(60) NOT NULL);
INSERT IGNORE INTO orvaloreportes.reportes VALUES (1, 'Ventas del día'), (2, 'Existencias');
-- Lleva a disco las tablas de mysql: quien copie esa carpeta con el servidor
-- en marcha (la creación de instancias lo hace) se lleva las cuentas al día.
FLUSH TABLES;
