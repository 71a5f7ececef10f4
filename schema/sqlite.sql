-- Suite tables read and written by the attendance agent (SQLite).
-- postgresql.sql holds the same tables with the same columns in the same order.
-- Values are text unless the suite keeps them as numbers; dates are yyyymmdd and
-- times hhmm text, so that text comparisons order them.

-- Access-control base system ------------------------------------------------

CREATE TABLE cards (
  staff_number   TEXT NOT NULL PRIMARY KEY,
  card_number    TEXT,
  name           TEXT,
  depart_code    TEXT,
  card_type      TEXT,
  photo          TEXT,
  sc_code        TEXT,
  br_code        TEXT,
  dp_code        TEXT,
  cp_code        TEXT,
  exempted       TEXT,
  starting_date  TEXT,
  expiry_date    TEXT,
  misc           TEXT
);
CREATE INDEX cards_card ON cards (card_number);

-- A temporary card may be issued again later: one row per issue.
CREATE TABLE tempcard (
  TmpCard_Number  TEXT NOT NULL,
  staff_number    TEXT,
  Start_DateTime  TEXT NOT NULL,
  End_DateTime    TEXT,
  PRIMARY KEY (TmpCard_Number, Start_DateTime)
);

CREATE TABLE department (
  depart_code  TEXT NOT NULL PRIMARY KEY,
  Depart_desc  TEXT
);

CREATE TABLE Extended_Card_Info (
  staff_number  TEXT NOT NULL PRIMARY KEY,
  ID_No         TEXT
);

CREATE TABLE clock_reasons (
  reason_no      TEXT NOT NULL PRIMARY KEY,
  reason_string  TEXT
);

-- The description must stay the second column: the agent reads it by position.
CREATE TABLE holdate (
  "date"       TEXT NOT NULL PRIMARY KEY,
  Description  TEXT
);

CREATE TABLE M_Server (
  unit_no       INTEGER NOT NULL PRIMARY KEY,
  IP_Address    TEXT,
  Port          TEXT,
  Tag_Name      TEXT,
  FEP_Type      TEXT,
  Total_Reader  INTEGER,
  Total_Input   INTEGER,
  Total_Output  INTEGER
);

-- Door transactions. No key: controllers report repeated swipes as they happen.
CREATE TABLE trans_r (
  tr_date       TEXT,
  tr_time       TEXT,
  tr_data       TEXT,
  tr_code       TEXT,
  staff_number  TEXT,
  fep_no        TEXT,
  el5k_no       TEXT,
  dev_id        TEXT
);
CREATE INDEX trans_r_card_date ON trans_r (tr_data, tr_date);
CREATE INDEX trans_r_staff_date ON trans_r (staff_number, tr_date);
CREATE INDEX trans_r_date_time ON trans_r (tr_date, tr_time);

-- Clock transactions of the integrated modes.
CREATE TABLE trans_c (
  tr_date      TEXT,
  tr_time      TEXT,
  tr_data      TEXT,
  tr_code      TEXT,
  tr_priority  TEXT,
  extra        TEXT
);
CREATE INDEX trans_c_card_date ON trans_c (tr_data, tr_date);

-- Attendance module ---------------------------------------------------------

-- One row of system-wide parameters.
CREATE TABLE kt_sys (
  break_select     TEXT,
  offdays          TEXT,
  datasource       TEXT,
  sys_in           TEXT,
  sys_out          TEXT,
  lunch_out        TEXT,
  lunch_in         TEXT,
  Break1_out       TEXT,
  Break1_in        TEXT,
  Break2_out       TEXT,
  Break2_in        TEXT,
  Work_JobCode     TEXT,
  Meal_JobCode     TEXT,
  B1_JobCode       TEXT,
  B2_JobCode       TEXT,
  OT_Jobcode       TEXT,
  OT_Mode          TEXT,
  OT_Offset        TEXT,
  OT_Minimum_Min   TEXT,
  OT_Rounding_Min  TEXT,
  OT_Formula       TEXT,
  Work_Formula     TEXT
);

CREATE TABLE kt_formu (
  tag_name   TEXT NOT NULL PRIMARY KEY,
  f_formula  TEXT
);

CREATE TABLE kt_shift (
  tag_name         TEXT NOT NULL PRIMARY KEY,
  sys_in           TEXT,
  sys_out          TEXT,
  in_lower         TEXT,
  in_upper         TEXT,
  out_lower        TEXT,
  out_upper        TEXT,
  lunch_out        TEXT,
  lunch_in         TEXT,
  lunchout_lower   TEXT,
  lunchout_upper   TEXT,
  lunchin_lower    TEXT,
  lunchin_Upper    TEXT,
  Break1_out       TEXT,
  Break1_in        TEXT,
  break1out_lower  TEXT,
  break1out_upper  TEXT,
  break1in_lower   TEXT,
  break1in_upper   TEXT,
  Break2_out       TEXT,
  Break2_in        TEXT,
  break2out_lower  TEXT,
  break2out_upper  TEXT,
  break2in_lower   TEXT,
  break2in_upper   TEXT,
  OT_out           TEXT,
  OTout_lower      TEXT,
  OTout_upper      TEXT,
  OT_In            TEXT,
  OTin_lower       TEXT,
  OTin_upper       TEXT,
  SysIn_Grace      TEXT,
  SysOut_Grace     TEXT,
  OT_Minimum_Min   TEXT,
  OT_Rounding_Min  TEXT,
  OT_Formula       TEXT,
  Work_Formula     TEXT
);

CREATE TABLE kt_sfgrp (
  SGroup_tag  TEXT NOT NULL,
  Shift_date  TEXT NOT NULL,
  shift_tag   TEXT,
  PRIMARY KEY (SGroup_tag, Shift_date)
);

CREATE TABLE kt_ssche (
  staff_number  TEXT NOT NULL,
  shift_date    TEXT NOT NULL,
  Shift_tag     TEXT,
  leave_tag     TEXT,
  shift2_tag    TEXT,
  shift3_tag    TEXT,
  shift4_tag    TEXT,
  PRIMARY KEY (staff_number, shift_date)
);

CREATE TABLE kt_cdext (
  staff_number  TEXT NOT NULL PRIMARY KEY,
  ot_entitled   TEXT,
  on_shift      TEXT,
  shift_grp     TEXT,
  flexi_hour    TEXT,
  sc_code       TEXT,
  br_code       TEXT,
  dp_code       TEXT,
  cp_code       TEXT
);

CREATE TABLE kt_afchi (
  AFC_Tag    TEXT,
  AFC_Shift  TEXT
);
CREATE INDEX kt_afchi_tag ON kt_afchi (AFC_Tag);

CREATE TABLE kt_acti (
  acti_code       TEXT NOT NULL PRIMARY KEY,
  Job_LcdDisplay  TEXT
);

CREATE TABLE kt_leavetype (
  tag_name      TEXT NOT NULL PRIMARY KEY,
  Cancel_InOut  INTEGER,
  Leave_desc    TEXT,
  half_day      TEXT,
  Am_Pm         INTEGER
);

CREATE TABLE kt_leave (
  tag_name    TEXT NOT NULL PRIMARY KEY,
  Leave_desc  TEXT,
  half_day    TEXT
);

-- Several time-off entries may share a day.
CREATE TABLE kt_timeoff (
  staff_number  TEXT NOT NULL,
  timeoff_date  TEXT NOT NULL,
  TimeOff_Desc  TEXT
);
CREATE INDEX kt_timeoff_staff_date ON kt_timeoff (staff_number, timeoff_date);

CREATE TABLE kt_atdedit (
  staff_number  TEXT NOT NULL,
  at_date       TEXT NOT NULL,
  In_Time       TEXT,
  Out_Time      TEXT,
  OT_In         TEXT,
  OT_Out        TEXT,
  Spare1        TEXT,
  PRIMARY KEY (staff_number, at_date)
);

-- Time-clock transactions. No key: repeated swipes are kept.
CREATE TABLE kt_tmclk (
  staff_number  TEXT,
  tc_date       TEXT,
  tc_time       TEXT,
  tran_code     TEXT,
  Job_code      TEXT,
  Edited        TEXT
);
CREATE INDEX kt_tmclk_staff_date ON kt_tmclk (staff_number, tc_date);

CREATE TABLE kt_ini (
  i_user   TEXT NOT NULL,
  i_group  TEXT NOT NULL,
  i_entry  TEXT NOT NULL,
  i_value  TEXT,
  PRIMARY KEY (i_user, i_group, i_entry)
);

-- Written by the agent ------------------------------------------------------

-- One row per staff-day, inserted by position: the column order is fixed.
CREATE TABLE kt_attnd (
  at_date         TEXT NOT NULL,
  staff_number    TEXT NOT NULL,
  card_number     TEXT,
  name            TEXT,
  sc_code         TEXT,
  br_code         TEXT,
  dp_code         TEXT,
  cp_code         TEXT,
  absent          TEXT,
  late            TEXT,
  early           TEXT,
  incomplete      TEXT,
  punctual        TEXT,
  off_day         TEXT,
  holiday         TEXT,
  spare_flag1     TEXT,
  edited          TEXT,
  spare_flag2     TEXT,
  in_time         TEXT,
  out_time        TEXT,
  ot_in           TEXT,
  ot_out          TEXT,
  leave_tag       TEXT,
  total_wmin      INTEGER,
  ot_approved     TEXT,
  late_min        INTEGER,
  early_min       INTEGER,
  ot_min          INTEGER,
  at_remark       TEXT,
  meal_out        TEXT,
  meal_in         TEXT,
  brk1_out        TEXT,
  brk1_in         TEXT,
  brk2_out        TEXT,
  brk2_in         TEXT,
  meal_early_min  INTEGER,
  brk1_early_min  INTEGER,
  brk2_early_min  INTEGER,
  meal_late_min   INTEGER,
  brk1_late_min   INTEGER,
  brk2_late_min   INTEGER,
  ot_approved_by  TEXT,
  pre_ot          TEXT,
  PRIMARY KEY (staff_number, at_date)
);
CREATE INDEX kt_attnd_date ON kt_attnd (at_date);

-- Overtime approval, inserted by position (or just date and staff).
CREATE TABLE otsap (
  at_date         TEXT NOT NULL,
  staff_number    TEXT NOT NULL,
  name            TEXT,
  cp_code         TEXT,
  br_code         TEXT,
  dp_code         TEXT,
  sc_code         TEXT,
  ot_in           TEXT,
  ot_out          TEXT,
  ot_hours        TEXT,
  appr_hours      TEXT,
  sys_in          TEXT,
  sys_out         TEXT,
  ot_reason       TEXT,
  ot_remark       TEXT,
  OT_Approved     TEXT,
  depart_desc     TEXT,
  OT_Approved_By  TEXT,
  approved_date   TEXT,
  approved_time   TEXT,
  PRIMARY KEY (staff_number, at_date)
);

-- Late/early reasons, inserted by position.
CREATE TABLE kt_lerea (
  staff_number  TEXT NOT NULL,
  le_date       TEXT NOT NULL,
  in_time       TEXT,
  out_time      TEXT,
  late_reason   TEXT,
  early_reason  TEXT,
  le_remark     TEXT,
  PRIMARY KEY (staff_number, le_date)
);
