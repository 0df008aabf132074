# Quorva run-time. Licensed under the MIT licence.
# The demo's global variables: they live in the shared block that the editor side (qlink) reads.
@noncyclic
@var LEVEL : Real = 50 export
@var PUMP : Boolean = True export
@var HIGH : Boolean export
@var LOW : Boolean export
@var INFLOW : Real = 1.5 export
@var OUTFLOW : Real = 0.5 export
@var CYCLES : Integer export
@var STATUS : String = 'starting' export
@var SHOWCTRL : Boolean export
@var SETPOINT : Real = 40 export
@var AUTOMODE : Boolean = True export
@var ALARMON : Boolean export
@var SPEED : Integer = 30 export
@var STEPS : Integer = 5 export
@var VALVE : Real = 25 export
@var SAVEREC : Boolean export
@var LOADREC : Boolean export
@var RECIPE : String = 'demo_recipe' export
@var PAGENO : Integer export
# the alarms (Alarm.OCO): the pump fault that TANK raises, the summaries of the two alarm groups,
# the value the selected alarm line writes, the zone the alarm grid shows (empty: all) and the
# request to open the screen ALARMS
@var PUMPFLT : Boolean export
@var TANKALM : Boolean export
@var PUMPALM : Boolean export
@var ALMSEL : String export
@var ALMZONE : String export
@var SHOWALM : Boolean export
# the pump as the trend on MAIN draws it: 10 while the pump runs, 0 while it stands (set by
# MAIN_Auto)
@var PUMPTRC : Integer export
# the steps of the Grafcet chart PUMPSEQ.Gr7 (the pump sequence that TANK runs), shown on the
# screen DIAGRAMS
@var PUMPSEQ : Array[0..3] of Boolean export
# set from outside (qlink) to open the screen DIAGRAMS, as the menu does
@var SHOWDIAG : Boolean export
