-- Suite tables read and written by the attendance agent (PostgreSQL).
-- sqlite.sql holds the same tables with the same columns in the same order.
-- Names are left unquoted, so mixed-case names fold to lower case and the
-- agent's unquoted SQL finds them; only holdate."date" is quoted.
-- Values are text unless the suite keeps them as numbers; dates are yyyymmdd and
-- times hhmm text, so that text comparisons order them.

-- Access-control base system ------------------------------------------------

CREATE TABLE cards (
  staff_number   text NOT NULL PRIMARY KEY,
  card_number    text,
  name           text,
  depart_code    text,
  card_type      text,
  photo          text,
  sc_code        text,
  br_code        text,
  dp_code        text,
  cp_code        text,
  exempted       text,
  starting_date  text,
  expiry_date    text,
  misc           text
);
CREATE INDEX cards_card ON cards (card_number);

-- A temporary card may be issued again later: one row per issue.
CREATE TABLE tempcard (
  TmpCard_Number  text NOT NULL,
  staff_number    text,
  Start_DateTime  text NOT NULL,
  End_DateTime    text,
  PRIMARY KEY (TmpCard_Number, Start_DateTime)
);

CREATE TABLE department (
  depart_code  text NOT NULL PRIMARY KEY,
  Depart_desc  text
);

CREATE TABLE Extended_Card_Info (
  staff_number  text NOT NULL PRIMARY KEY,
  ID_No         text
);

CREATE TABLE clock_reasons (
  reason_no      text NOT NULL PRIMARY KEY,
  reason_string  text
);

-- The description must stay the second column: the agent reads it by position.
CREATE TABLE holdate (
  "date"       text NOT NULL PRIMARY KEY,
  Description  text
);

CREATE TABLE M_Server (
  unit_no       integer NOT NULL PRIMARY KEY,
  IP_Address    text,
  Port          text,
  Tag_Name      text,
  FEP_Type      text,
  Total_Reader  integer,
  Total_Input   integer,
  Total_Output  integer
);

-- Door transactions. No key: controllers report repeated swipes as they happen.
CREATE TABLE trans_r (
  tr_date       text,
  tr_time       text,
  tr_data       text,
  tr_code       text,
  staff_number  text,
  fep_no        text,
  el5k_no       text,
  dev_id        text
);
CREATE INDEX trans_r_card_date ON trans_r (tr_data, tr_date);
CREATE INDEX trans_r_staff_date ON trans_r (staff_number, tr_date);
CREATE INDEX trans_r_date_time ON trans_r (tr_date, tr_time);

-- Clock transactions of the integrated modes.
CREATE TABLE trans_c (
  tr_date      text,
  tr_time      text,
  tr_data      text,
  tr_code      text,
  tr_priority  text,
  extra        text
);
CREATE INDEX trans_c_card_date ON trans_c (tr_data, tr_date);

-- Attendance module ---------------------------------------------------------

-- One row of system-wide parameters.
CREATE TABLE kt_sys (
  break_select     text,
  offdays          text,
  datasource       text,
  sys_in           text,
  sys_out          text,
  lunch_out        text,
  lunch_in         text,
  Break1_out       text,
  Break1_in        text,
  Break2_out       text,
  Break2_in        text,
  Work_JobCode     text,
  Meal_JobCode     text,
  B1_JobCode       text,
  B2_JobCode       text,
  OT_Jobcode       text,
  OT_Mode          text,
  OT_Offset        text,
  OT_Minimum_Min   text,
  OT_Rounding_Min  text,
  OT_Formula       text,
  Work_Formula     text
);

CREATE TABLE kt_formu (
  tag_name   text NOT NULL PRIMARY KEY,
  f_formula  text
);

CREATE TABLE kt_shift (
  tag_name         text NOT NULL PRIMARY KEY,
  sys_in           text,
  sys_out          text,
  in_lower         text,
  in_upper         text,
  out_lower        text,
  out_upper        text,
  lunch_out        text,
  lunch_in         text,
  lunchout_lower   text,
  lunchout_upper   text,
  lunchin_lower    text,
  lunchin_Upper    text,
  Break1_out       text,
  Break1_in        text,
  break1out_lower  text,
  break1out_upper  text,
  break1in_lower   text,
  break1in_upper   text,
  Break2_out       text,
  Break2_in        text,
  break2out_lower  text,
  break2out_upper  text,
  break2in_lower   text,
  break2in_upper   text,
  OT_out           text,
  OTout_lower      text,
  OTout_upper      text,
  OT_In            text,
  OTin_lower       text,
  OTin_upper       text,
  SysIn_Grace      text,
  SysOut_Grace     text,
  OT_Minimum_Min   text,
  OT_Rounding_Min  text,
  OT_Formula       text,
  Work_Formula     text
);

CREATE TABLE kt_sfgrp (
  SGroup_tag  text NOT NULL,
  Shift_date  text NOT NULL,
  shift_tag   text,
  PRIMARY KEY (SGroup_tag, Shift_date)
);

CREATE TABLE kt_ssche (
  staff_number  text NOT NULL,
  shift_date    text NOT NULL,
  Shift_tag     text,
  leave_tag     text,
  shift2_tag    text,
  shift3_tag    text,
  shift4_tag    text,
  PRIMARY KEY (staff_number, shift_date)
);

CREATE TABLE kt_cdext (
  staff_number  text NOT NULL PRIMARY KEY,
  ot_entitled   text,
  on_shift      text,
  shift_grp     text,
  flexi_hour    text,
  sc_code       text,
  br_code       text,
  dp_code       text,
  cp_code       text
);

CREATE TABLE kt_afchi (
  AFC_Tag    text,
  AFC_Shift  text
);
CREATE INDEX kt_afchi_tag ON kt_afchi (AFC_Tag);

CREATE TABLE kt_acti (
  acti_code       text NOT NULL PRIMARY KEY,
  Job_LcdDisplay  text
);

CREATE TABLE kt_leavetype (
  tag_name      text NOT NULL PRIMARY KEY,
  Cancel_InOut  integer,
  Leave_desc    text,
  half_day      text,
  Am_Pm         integer
);

CREATE TABLE kt_leave (
  tag_name    text NOT NULL PRIMARY KEY,
  Leave_desc  text,
  half_day    text
);

-- Several time-off entries may share a day.
CREATE TABLE kt_timeoff (
  staff_number  text NOT NULL,
  timeoff_date  text NOT NULL,
  TimeOff_Desc  text
);
CREATE INDEX kt_timeoff_staff_date ON kt_timeoff (staff_number, timeoff_date);

CREATE TABLE kt_atdedit (
  staff_number  text NOT NULL,
  at_date       text NOT NULL,
  In_Time       text,
  Out_Time      text,
  OT_In         text,
  OT_Out        text,
  Spare1        text,
  PRIMARY KEY (staff_number, at_date)
);

-- Time-clock transactions. No key: repeated swipes are kept.
CREATE TABLE kt_tmclk (
  staff_number  text,
  tc_date       text,
  tc_time       text,
  tran_code     text,
  Job_code      text,
  Edited        text
);
CREATE INDEX kt_tmclk_staff_date ON kt_tmclk (staff_number, tc_date);

CREATE TABLE kt_ini (
  i_user   text NOT NULL,
  i_group  text NOT NULL,
  i_entry  text NOT NULL,
  i_value  text,
  PRIMARY KEY (i_user, i_group, i_entry)
);

-- Written by the agent ------------------------------------------------------

-- One row per staff-day, inserted by position: the column order is fixed.
CREATE TABLE kt_attnd (
  at_date         text NOT NULL,
  staff_number    text NOT NULL,
  card_number     text,
  name            text,
  sc_code         text,
  br_code         text,
  dp_code         text,
  cp_code         text,
  absent          text,
  late            text,
  early           text,
  incomplete      text,
  punctual        text,
  off_day         text,
  holiday         text,
  spare_flag1     text,
  edited          text,
  spare_flag2     text,
  in_time         text,
  out_time        text,
  ot_in           text,
  ot_out          text,
  leave_tag       text,
  total_wmin      integer,
  ot_approved     text,
  late_min        integer,
  early_min       integer,
  ot_min          integer,
  at_remark       text,
  meal_out        text,
  meal_in         text,
  brk1_out        text,
  brk1_in         text,
  brk2_out        text,
  brk2_in         text,
  meal_early_min  integer,
  brk1_early_min  integer,
  brk2_early_min  integer,
  meal_late_min   integer,
  brk1_late_min   integer,
  brk2_late_min   integer,
  ot_approved_by  text,
  pre_ot          text,
  PRIMARY KEY (staff_number, at_date)
);
CREATE INDEX kt_attnd_date ON kt_attnd (at_date);

-- Overtime approval, inserted by position (or just date and staff).
CREATE TABLE otsap (
  at_date         text NOT NULL,
  staff_number    text NOT NULL,
  name            text,
  cp_code         text,
  br_code         text,
  dp_code         text,
  sc_code         text,
  ot_in           text,
  ot_out          text,
  ot_hours        text,
  appr_hours      text,
  sys_in          text,
  sys_out         text,
  ot_reason       text,
  ot_remark       text,
  OT_Approved     text,
  depart_desc     text,
  OT_Approved_By  text,
  approved_date   text,
  approved_time   text,
  PRIMARY KEY (staff_number, at_date)
);

-- Late/early reasons, inserted by position.
CREATE TABLE kt_lerea (
  staff_number  text NOT NULL,
  le_date       text NOT NULL,
  in_time       text,
  out_time      text,
  late_reason   text,
  early_reason  text,
  le_remark     text,
  PRIMARY KEY (staff_number, le_date)
);
