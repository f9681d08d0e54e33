-- Sales database of the current version.
-- The schema name below is replaced by the name of the new database and the
-- AUTO_INCREMENT start of the sales table by the first receipt or invoice number.

SET @OLD_UNIQUE_CHECKS=@@UNIQUE_CHECKS, UNIQUE_CHECKS=0;
SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0;
SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='TRADITIONAL,ALLOW_INVALID_DATES';

CREATE SCHEMA IF NOT EXISTS `vorantelsales` DEFAULT CHARACTER SET utf8 COLLATE utf8_unicode_ci ;
USE `vorantelsales` ;

-- -----------------------------------------------------
-- Table `vorantelsales`.`tblSalesTransactions`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `vorantelsales`.`tblSalesTransactions` (
  `ID` INT(11) NOT NULL AUTO_INCREMENT,
  `USER_ID` VARCHAR(50) NOT NULL,
  `CUSTOMER` VARCHAR(100) NULL,
  `TIME_STAMP` DATETIME NOT NULL,
  `GRAND_TOTAL` DOUBLE NOT NULL DEFAULT 0,
  `PAID` DOUBLE NOT NULL DEFAULT 0,
  `AMOUNT_DUE` DOUBLE NOT NULL DEFAULT 0,
  `TOTAL_TAX` DOUBLE NOT NULL DEFAULT 0,
  `INVOICE_MODE` INT NOT NULL DEFAULT 0,
  `STATUS` INT NOT NULL DEFAULT 1,
  `SENT_DATE` DATE NULL,
  `DUE_DATE` DATE NULL,
  `CUSTOMER_ID` INT NULL,
  `SHIP_TO_CUSTOMER_ADDR` INT NULL,
  `SHIP_NAME` VARCHAR(45) NULL,
  `SHIP_ADDRESS` VARCHAR(250) NULL,
  `SHIP_CONTACT` VARCHAR(45) NULL,
  `SHIP_VIA` VARCHAR(100) NULL,
  `NOTES` VARCHAR(250) NULL,
  `TOTAL_DISCOUNT` DOUBLE NULL DEFAULT 0,
  `PAYMENT_TYPE` VARCHAR(50) NULL DEFAULT 'CASH',
  `REFERENCE_NUMBER` VARCHAR(100) NULL,
  `STORE_ID` VARCHAR(100) NULL,
  `TERMINAL_ID` VARCHAR(50) NULL,
  PRIMARY KEY (`ID`))
AUTO_INCREMENT = RECEIPT_NO_OFFSET
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `vorantelsales`.`tblSalesInvoice`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `vorantelsales`.`tblSalesInvoice` (
  `ID` INT(11) NOT NULL AUTO_INCREMENT,
  `TRANSACTION_ID` INT(11) NOT NULL,
  `ITEM_INDEX` INT(11) NOT NULL,
  `PRODUCT_NAME` VARCHAR(50) NOT NULL,
  `QUANTITY` INT(11) NOT NULL,
  `PURCHASE_PRICE` DOUBLE NOT NULL,
  `SALE_PRICE` DOUBLE NOT NULL,
  `SUB_ITEMS` VARCHAR(8) NOT NULL,
  `DISCOUNT` DOUBLE NOT NULL,
  `SUB_TOTAL` DOUBLE NOT NULL,
  `PURCHASE_SUB_TOTAL` DOUBLE NOT NULL,
  `SUB_TAX` DOUBLE NOT NULL,
  `BAR_CODE` VARCHAR(45) NULL,
  `ITEMS_PER_UNIT` INT NULL,
  `UNIT_NAME` VARCHAR(45) NULL,
  `SUB_UNIT_NAME` VARCHAR(45) NULL,
  `PRINT_UNIT_NAME` INT NULL,
  `CATEGORY` VARCHAR(100) NULL DEFAULT 'NOT SET',
  `TAX_RATE` DOUBLE NULL DEFAULT 0.0,
  `RETURNED` INT(11) NULL DEFAULT 0,
  PRIMARY KEY (`ID`),
  INDEX `TRANSACTION_ID` (`TRANSACTION_ID` ASC),
  CONSTRAINT `tblSalesInvoice_ibfk_1`
    FOREIGN KEY (`TRANSACTION_ID`)
    REFERENCES `vorantelsales`.`tblSalesTransactions` (`ID`))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `vorantelsales`.`tblPendingPayments`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `vorantelsales`.`tblPendingPayments` (
  `ID` INT(11) NOT NULL AUTO_INCREMENT,
  `TRANSACTION_ID` INT(11) NOT NULL,
  `BUTTON_INDEX` INT(11) NOT NULL,
  `PAYMENT_NAME` VARCHAR(50) NOT NULL,
  PRIMARY KEY (`ID`),
  INDEX `TRANSACTION_ID` (`TRANSACTION_ID` ASC),
  CONSTRAINT `tblPendingPayments_ibfk_1`
    FOREIGN KEY (`TRANSACTION_ID`)
    REFERENCES `vorantelsales`.`tblSalesTransactions` (`ID`))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `vorantelsales`.`tblVorantel`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `vorantelsales`.`tblVorantel` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `DB_VERSION` VARCHAR(45) NOT NULL,
  PRIMARY KEY (`ID`))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

SET SQL_MODE=@OLD_SQL_MODE;
SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS;
SET UNIQUE_CHECKS=@OLD_UNIQUE_CHECKS;

INSERT INTO `vorantelsales`.`tblVorantel` (`ID`, `DB_VERSION`) VALUES (1, 'SALES_18.0.0');

USE `vorantelsales` ;
