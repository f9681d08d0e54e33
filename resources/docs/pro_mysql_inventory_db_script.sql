-- Inventory database of the current version with its seed rows.
-- The schema name below is replaced by the name of the new database.

SET @OLD_UNIQUE_CHECKS=@@UNIQUE_CHECKS, UNIQUE_CHECKS=0;
SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0;
SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='TRADITIONAL,ALLOW_INVALID_DATES';

CREATE SCHEMA IF NOT EXISTS `VorantelInventory` DEFAULT CHARACTER SET utf8 COLLATE utf8_unicode_ci ;
USE `VorantelInventory` ;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblProductCategories`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblProductCategories` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `NAME` VARCHAR(50) NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX (`NAME` ASC))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblProducts`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblProducts` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `CATEGORY_ID` INT NOT NULL,
  `PRODUCT_CODE` VARCHAR(50) NOT NULL,
  `NAME` VARCHAR(150) NOT NULL,
  `ITEMS_PER_UNIT` INT NOT NULL DEFAULT 0,
  `DESCRIPTION` VARCHAR(250) NULL DEFAULT NULL,
  `IMAGE_FILE` VARCHAR(150) NULL DEFAULT NULL,
  `TAX_RATE` DOUBLE NOT NULL DEFAULT 0,
  `UNIT_NAME` VARCHAR(45) NULL DEFAULT NULL,
  `SUB_UNIT_NAME` VARCHAR(45) NULL DEFAULT NULL,
  `PRINT_UNIT_NAME` INT NOT NULL DEFAULT 0,
  `SERVICE_ITEM` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX (`PRODUCT_CODE` ASC),
  INDEX `fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}` (`CATEGORY_ID` ASC),
  CONSTRAINT `fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}`
    FOREIGN KEY (`CATEGORY_ID`)
    REFERENCES `VorantelInventory`.`tblProductCategories` (`ID`)
    ON DELETE RESTRICT
    ON UPDATE RESTRICT)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblVendors`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblVendors` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `NAME` VARCHAR(50) NOT NULL,
  `ADDRESS` VARCHAR(200) NULL DEFAULT NULL,
  `EMAIL` VARCHAR(200) NULL DEFAULT NULL,
  `CONTACT_NUMBER` VARCHAR(50) NULL DEFAULT NULL,
  PRIMARY KEY (`ID`))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblInventory`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblInventory` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `PRODUCT_ID` INT NOT NULL,
  `VENDOR_ID` INT NOT NULL,
  `BAR_CODE` VARCHAR(100) NOT NULL,
  `BATCH_NUMBER` VARCHAR(100) NOT NULL,
  `EXPIRY_DATE` DATE NULL DEFAULT NULL,
  `STORAGE_LOCATION` VARCHAR(50) NULL DEFAULT NULL,
  `PURCHASE_PRICE` DOUBLE NOT NULL,
  `SALE_PRICE` DOUBLE NOT NULL DEFAULT 0,
  `QUANTITY` INT NOT NULL DEFAULT 0,
  `SUB_ITEMS` INT NOT NULL DEFAULT 0,
  `SHOW_ON_POS` INT NOT NULL DEFAULT 1,
  `DISCOUNT` DOUBLE NOT NULL DEFAULT 0,
  `REORDER_LEVEL` INT NOT NULL DEFAULT 0,
  `REORDER_QUANTITY` INT NOT NULL DEFAULT 0,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX (`BAR_CODE` ASC),
  INDEX `fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}` (`PRODUCT_ID` ASC),
  INDEX `fk_{6334EB7F-14F1-4C90-8923-8FA836660088}` (`VENDOR_ID` ASC),
  CONSTRAINT `fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}`
    FOREIGN KEY (`PRODUCT_ID`)
    REFERENCES `VorantelInventory`.`tblProducts` (`ID`),
  CONSTRAINT `fk_{6334EB7F-14F1-4C90-8923-8FA836660088}`
    FOREIGN KEY (`VENDOR_ID`)
    REFERENCES `VorantelInventory`.`tblVendors` (`ID`))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblRoles`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblRoles` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `NAME` VARCHAR(100) NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX (`NAME` ASC))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblPermissions`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblPermissions` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `ROLE_ID` INT NOT NULL,
  `MODULE_ID` INT NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  INDEX `ROLE_ID_idx` (`ROLE_ID` ASC),
  CONSTRAINT `FK_ROLE_ID`
    FOREIGN KEY (`ROLE_ID`)
    REFERENCES `tblRoles` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblUsers`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblUsers` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `FIRST_NAME` VARCHAR(50) NOT NULL,
  `LAST_NAME` VARCHAR(50) NOT NULL,
  `LOGIN_NAME` VARCHAR(50) NOT NULL,
  `PASSWORD` VARCHAR(50) NOT NULL,
  `ROLE_ID` INT NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX (`LOGIN_NAME` ASC),
  INDEX `ROLE_ID_idx` (`ROLE_ID` ASC),
  CONSTRAINT `FK_ROLE_ID_TBL_USERS`
    FOREIGN KEY (`ROLE_ID`)
    REFERENCES `tblRoles` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblQuestions`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblQuestions` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `USER_ID` INT NOT NULL,
  `QUESTION_ID` INT NOT NULL,
  `ANSWER` VARCHAR(50) NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  INDEX `USER_ID_idx` (`USER_ID` ASC),
  CONSTRAINT `FK_USER_ID`
    FOREIGN KEY (`USER_ID`)
    REFERENCES `tblUsers` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblPOrders`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblPOrders` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `VENDOR_ID` INT NOT NULL,
  `STATUS` INT NOT NULL,
  `SENT_DATE` DATE NULL,
  `DELIVERY_DATE` DATE NULL,
  `SUB_TOTAL` DOUBLE NULL DEFAULT 0,
  `SALES_TAX` DOUBLE NULL DEFAULT 0,
  `TOTAL` DOUBLE NULL DEFAULT 0,
  `NOTES` VARCHAR(250) NULL DEFAULT NULL,
  `DISABLE_TAX` INT NOT NULL DEFAULT 1,
  `SHIP_TO_COMPANY_ADDRESS` INT NOT NULL DEFAULT 1,
  `SHIPPING_NAME` VARCHAR(100) NULL DEFAULT NULL,
  `SHIPPING_ADDRESS` VARCHAR(250) NULL DEFAULT NULL,
  `SHIPPING_CONTACT` VARCHAR(100) NULL DEFAULT NULL,
  `SHIP_VIA` VARCHAR(250) NULL DEFAULT NULL,
  `LAST_MODIFIED` DATETIME NULL,
  `PAYMENT_STATUS` INT NOT NULL,
  `PAID_AMOUNT` DOUBLE NULL DEFAULT 0,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  INDEX `VENDOR_ID_idx` (`VENDOR_ID` ASC),
  CONSTRAINT `FK_VENDOR_ID`
    FOREIGN KEY (`VENDOR_ID`)
    REFERENCES `VorantelInventory`.`tblVendors` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblPODetails`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblPODetails` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `PORDER_ID` INT NOT NULL,
  `PRODUCT_ID` INT NOT NULL,
  `QUANTITY` INT NOT NULL,
  `UNIT_PRICE` DOUBLE NOT NULL DEFAULT 0,
  `LINE_TOTAL` DOUBLE NOT NULL DEFAULT 0,
  `SALE_PRICE` DOUBLE NOT NULL DEFAULT 0,
  `BATCH_NUMBER` VARCHAR(100) NOT NULL,
  `EXPIRY_DATE` DATE NULL DEFAULT NULL,
  `STORAGE_LOCATION` VARCHAR(50) NULL DEFAULT NULL,
  `STOCK_ID` VARCHAR(50) NOT NULL DEFAULT '-1',
  `RECEIVED_QUANTITY` INT NOT NULL DEFAULT 0,
  `DISCOUNT` DOUBLE NOT NULL DEFAULT 0,
  `REORDER_LEVEL` INT NOT NULL DEFAULT 0,
  `REORDER_QUANTITY` INT NOT NULL DEFAULT 0,
  `STOCK_CODE` VARCHAR(100) NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  INDEX `FK_PORDER_ID_idx` (`PORDER_ID` ASC),
  INDEX `FK_PRODUCT_ID_idx` (`PRODUCT_ID` ASC),
  CONSTRAINT `FK_PORDER_ID`
    FOREIGN KEY (`PORDER_ID`)
    REFERENCES `VorantelInventory`.`tblPOrders` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION,
  CONSTRAINT `FK_PRODUCT_ID`
    FOREIGN KEY (`PRODUCT_ID`)
    REFERENCES `VorantelInventory`.`tblProducts` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblVorantel`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblVorantel` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `DB_VERSION` VARCHAR(45) NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  UNIQUE INDEX `DB_VERSION_UNIQUE` (`DB_VERSION` ASC))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblCustomers`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblCustomers` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `NAME` VARCHAR(50) NOT NULL,
  `ADDRESS` VARCHAR(200) NULL DEFAULT NULL,
  `EMAIL` VARCHAR(200) NULL DEFAULT NULL,
  `CONTACT_NUMBER` VARCHAR(50) NULL DEFAULT NULL,
  PRIMARY KEY (`ID`));

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblExpenseCategories`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblExpenseCategories` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `NAME` VARCHAR(100) NOT NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  UNIQUE INDEX `NAME_UNIQUE` (`NAME` ASC))
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

-- -----------------------------------------------------
-- Table `VorantelInventory`.`tblExpenses`
-- -----------------------------------------------------
CREATE TABLE IF NOT EXISTS `VorantelInventory`.`tblExpenses` (
  `ID` INT NOT NULL AUTO_INCREMENT,
  `CATEGORY_ID` INT NOT NULL,
  `DATED` DATE NOT NULL,
  `AMOUNT` DOUBLE NULL DEFAULT 0,
  `DESCRIPTION` VARCHAR(250) NULL,
  PRIMARY KEY (`ID`),
  UNIQUE INDEX `ID_UNIQUE` (`ID` ASC),
  INDEX `FK_CATEGORY_ID_idx` (`CATEGORY_ID` ASC),
  CONSTRAINT `FK_CATEGORY_ID`
    FOREIGN KEY (`CATEGORY_ID`)
    REFERENCES `VorantelInventory`.`tblExpenseCategories` (`ID`)
    ON DELETE NO ACTION
    ON UPDATE NO ACTION)
ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci;

SET SQL_MODE=@OLD_SQL_MODE;
SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS;
SET UNIQUE_CHECKS=@OLD_UNIQUE_CHECKS;

-- -----------------------------------------------------
-- Seed rows
-- -----------------------------------------------------
INSERT INTO `VorantelInventory`.`tblVorantel` (`ID`, `DB_VERSION`) VALUES (1, 'INVENTORY_18.0.0');

INSERT INTO `VorantelInventory`.`tblVendors` (`NAME`) VALUES ('NONE');

INSERT INTO `VorantelInventory`.`tblExpenseCategories` (`NAME`) VALUES ('Wages');
INSERT INTO `VorantelInventory`.`tblExpenseCategories` (`NAME`) VALUES ('Utility Bills');
INSERT INTO `VorantelInventory`.`tblExpenseCategories` (`NAME`) VALUES ('Transport');

INSERT INTO `VorantelInventory`.`tblRoles` (`NAME`) VALUES ('ADMINISTRATOR');
INSERT INTO `VorantelInventory`.`tblRoles` (`NAME`) VALUES ('SALES PERSON');
INSERT INTO `VorantelInventory`.`tblRoles` (`NAME`) VALUES ('PURCHASE MANAGER');
INSERT INTO `VorantelInventory`.`tblRoles` (`NAME`) VALUES ('MANAGER');
INSERT INTO `VorantelInventory`.`tblRoles` (`NAME`) VALUES ('ASSISTANT MANAGER');

INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (2, 0);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (3, 4);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 0);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 1);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 2);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 3);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 4);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (4, 5);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (5, 0);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (5, 1);
INSERT INTO `VorantelInventory`.`tblPermissions` (`ROLE_ID`, `MODULE_ID`) VALUES (5, 2);

USE `VorantelInventory` ;
