meta:
  id: bioapi_bir
  title: BioAPI 2.0 biometric information record (BIR), bioapi_data byte record
  application: bioapi_data
  file-extension: bir
  ks-version: '0.10'
  endian: le
doc: |
  The byte record of a BioAPI 2.0 (ISO/IEC 19784-1) biometric information
  record as the bioapi_data library writes and reads it: a 21-byte header,
  the optional fields that the presence bit-map announces, in the order of
  their bits, the biometric data block (BDB) and, when a security option is
  set and bytes remain, the security block (SB).

  Every integer is little-endian and nothing is aligned: the fields follow
  each other byte by byte. Each attribute is named after the field of the
  record model (`BIR`) that it fills, in snake case; its `doc` gives the
  model's name.

  A record is refused when its format identifier is not 0x0101/0x0009, its
  total length is not the size of the record, its header version is not
  0x30, its header revision is not 0x01, its reserved byte is not 0, a
  length is negative, or a field or block runs past the end of the record.
  Bits 23 to 31 of the presence bit-map have no field and are ignored, and
  so are bytes after the last field.
seq:
  - id: record_format
    type: record_format_id
    doc: RecordFormat, the format identifier of the record.
  - id: total_length
    type: s4
    valid:
      eq: _io.size
    doc: TotalLength, the size of the whole record in bytes, header included.
  - id: header_version
    type: u1
    valid: 0x30
    doc: HeaderVersion, 0x30.
  - id: header_revision
    type: u1
    valid: 0x01
    doc: HeaderRevision, 0x01.
  - id: bdb_format
    type: registry_id
    doc: BDBFormat, the format of the biometric data block.
  - id: encryption_option
    type: u1
    doc: EncryptionOption; 0 is false, any other value true (written as 1).
  - id: integrity_option
    type: u1
    doc: IntegrityOption; 0 is false, any other value true (written as 1).
  - id: reserved
    type: u1
    valid: 0
    doc: Reserved, always 0.
  - id: presence_bitmap
    type: u4
    doc: |
      PresenceBitmap: bit N set announces optional field N (0 to 22) below.
      Bits 23 to 31 have no field and are ignored.

  - id: bdb_biometric_type
    type: s4
    if: (presence_bitmap & 0x1) != 0
    doc: BDBBiometricType (bit 0), all 32 bits of the BiometricType.
  - id: bdb_biometric_subtype
    type: u1
    if: (presence_bitmap & 0x2) != 0
    doc: BDBBiometricSubtype (bit 1), the low 8 bits of the BiometricSubtype.
  - id: registered_id1
    type: registry_id
    if: (presence_bitmap & 0x4) != 0
    doc: RegisteredId1 (bit 2).
  - id: registered_id2
    type: registry_id
    if: (presence_bitmap & 0x8) != 0
    doc: RegisteredId2 (bit 3).
  - id: registered_id3
    type: registry_id
    if: (presence_bitmap & 0x10) != 0
    doc: RegisteredId3 (bit 4).
  - id: registered_id4
    type: registry_id
    if: (presence_bitmap & 0x20) != 0
    doc: RegisteredId4 (bit 5).
  - id: registered_id5
    type: registry_id
    if: (presence_bitmap & 0x40) != 0
    doc: RegisteredId5 (bit 6).
  - id: octet_string1
    type: byte_string
    if: (presence_bitmap & 0x80) != 0
    doc: OctetString1 (bit 7).
  - id: bdb_creation_date
    type: date_time
    if: (presence_bitmap & 0x100) != 0
    doc: BDBCreationDate (bit 8), when the BDB was created.
  - id: octet_string2
    type: byte_string
    if: (presence_bitmap & 0x200) != 0
    doc: OctetString2 (bit 9).
  - id: bdb_processed_level
    type: u1
    if: (presence_bitmap & 0x400) != 0
    doc: |
      BDBProcessedLevel (bit 10), the low 8 bits of the ProcessedLevel
      (Raw 1, Intermediate 2, Processed 4).
  - id: registered_id6
    type: registry_id
    if: (presence_bitmap & 0x800) != 0
    doc: RegisteredId6 (bit 11).
  - id: bdb_purpose
    type: u1
    if: (presence_bitmap & 0x1000) != 0
    doc: |
      BDBPurpose (bit 12), the low 8 bits of the Purpose (Verify 1,
      Identify 2, Enroll 3, EnrollForVerificationOnly 4,
      EnrollForIdentificationOnly 5, Audit 6).
  - id: bdb_quality
    type: u1
    if: (presence_bitmap & 0x2000) != 0
    doc: BDBQuality (bit 13).
  - id: registered_id7
    type: registry_id
    if: (presence_bitmap & 0x4000) != 0
    doc: RegisteredId7 (bit 14).
  - id: bdb_validity_period
    type: validity_period
    if: (presence_bitmap & 0x8000) != 0
    doc: BDBValidityPeriod (bit 15), when the BDB is valid.
  - id: bir_creation_date
    type: date_time
    if: (presence_bitmap & 0x10000) != 0
    doc: BIRCreationDate (bit 16), when the record was created.
  - id: octet_string3
    type: byte_string
    if: (presence_bitmap & 0x20000) != 0
    doc: OctetString3 (bit 17).
  - id: octet_string4
    type: byte_string
    if: (presence_bitmap & 0x40000) != 0
    doc: OctetString4 (bit 18).
  - id: octet_string5
    type: byte_string
    if: (presence_bitmap & 0x80000) != 0
    doc: OctetString5 (bit 19).
  - id: octet_string6
    type: byte_string
    if: (presence_bitmap & 0x100000) != 0
    doc: OctetString6 (bit 20).
  - id: bir_validity_period
    type: validity_period
    if: (presence_bitmap & 0x200000) != 0
    doc: BIRValidityPeriod (bit 21), when the record is valid.
  - id: registered_id8
    type: registry_id
    if: (presence_bitmap & 0x400000) != 0
    doc: RegisteredId8 (bit 22).

  - id: biometric_data
    type: block
    doc: BiometricData, the biometric data block (BDB); always present.
  - id: security_block
    type: block
    if: (encryption_option != 0 or integrity_option != 0) and not _io.eof
    doc: |
      SecurityBlock, the security block (SB): present when a security option
      is set and bytes remain after the BDB. A record whose security block
      is empty ends right after the BDB.
types:
  record_format_id:
    doc: The format identifier; the library reads and writes only 0x0101/0x0009.
    seq:
      - id: owner
        type: s2
        valid: 0x0101
        doc: RecordFormat.Owner, 0x0101.
      - id: type
        type: s2
        valid: 0x0009
        doc: RecordFormat.Type, 0x0009.
  registry_id:
    doc: A RegistryID, an identifier registered with the biometric registration authority.
    seq:
      - id: owner
        type: s2
        doc: Owner.
      - id: type
        type: s2
        doc: Type.
  byte_string:
    doc: A byte string of an optional field, at most 32767 bytes.
    seq:
      - id: length
        type: s2
        valid:
          min: 0
        doc: Its length in bytes.
      - id: data
        size: length
        doc: Its bytes.
  block:
    doc: The bytes of the BDB or SB, after their 32-bit length.
    seq:
      - id: length
        type: s4
        valid:
          min: 0
        doc: Its length in bytes.
      - id: data
        size: length
        doc: Its bytes.
  date_time:
    doc: |
      A date-time: the six members of a `tm` that a record carries.
      tm_year holds the full calendar year; no member is checked.
    seq:
      - id: year
        type: s2
        doc: tm_year, the full calendar year.
      - id: month
        type: u1
        doc: tm_mon.
      - id: day
        type: u1
        doc: tm_mday.
      - id: hour
        type: u1
        doc: tm_hour.
      - id: minute
        type: u1
        doc: tm_min.
      - id: second
        type: u1
        doc: tm_sec.
  validity_period:
    doc: A validity period, start then end.
    seq:
      - id: start
        type: date_time
        doc: Element 0, the start.
      - id: end
        type: date_time
        doc: Element 1, the end.
