-- Project database used by the tests and the demo: the pixel table and the organizations it refers to.
CREATE TABLE organization (
  Org_ID INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  name   VARCHAR(128) NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb3;

INSERT INTO organization (Org_ID, name) VALUES (1, 'KOVA'), (2, 'Workbench');

CREATE TABLE pixels (
  mac        CHAR(17)     NOT NULL PRIMARY KEY,
  PixelType  VARCHAR(64)  NULL,
  ShieldType VARCHAR(64)  NULL,
  birthday   DATETIME     NULL,
  Org_ID     INT          NULL,
  note       VARCHAR(255) NULL,
  CONSTRAINT fk_pixels_organization FOREIGN KEY (Org_ID) REFERENCES organization (Org_ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb3;
