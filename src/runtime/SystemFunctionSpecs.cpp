// Quorva run-time. Licensed under the MIT licence.
// The signature of every runtime function that unit code may call, in registration order.

#include "runtime/SystemFunctionSpecs.h"

#include <algorithm>
#include <iterator>

namespace runtime {
namespace {

using enum engine::FunctionKind;
using enum engine::PassingMode;
using enum engine::TypeCode;

constexpr ParameterSpec kINTTOSTR[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kSTRTOINT[] = {{ByValue, String, "Value"}};
constexpr ParameterSpec kFLOATTOSTR[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kSTRTOFLOAT[] = {{ByValue, String, "Value"}};
constexpr ParameterSpec kINTTOHEX[] = {{ByValue, Integer, "Value"}, {ByValue, Integer, "Digits"}};
constexpr ParameterSpec kMOVE[] = {{ByReference, Untyped, "Source"},
                                   {ByReference, Untyped, "Destination"},
                                   {ByValue, Integer, "Count"}};
constexpr ParameterSpec kSETBIT[] = {{ByReference, Integer, "Word"}, {ByValue, Integer, "BitNum"}};
constexpr ParameterSpec kRESETBIT[] = {{ByReference, Integer, "Word"},
                                       {ByValue, Integer, "BitNum"}};
constexpr ParameterSpec kFIXBIT[] = {
    {ByReference, Integer, "Word"}, {ByValue, Integer, "BitNum"}, {ByValue, Boolean, "Value"}};
constexpr ParameterSpec kTESTBIT[] = {{ByValue, Integer, "Word"}, {ByValue, Integer, "BitNum"}};
constexpr ParameterSpec kCOPY[] = {
    {ByValue, String, "Str"}, {ByValue, Integer, "Start"}, {ByValue, Integer, "Count"}};
constexpr ParameterSpec kVAL[] = {
    {ByValue, String, "Str"}, {ByReference, Real, "Target"}, {ByReference, Integer, "Status"}};
constexpr ParameterSpec kPOS[] = {{ByValue, String, "Search"}, {ByValue, String, "Str"}};
constexpr ParameterSpec kDELETE[] = {
    {ByReference, String, "Str"}, {ByValue, Integer, "Start"}, {ByValue, Integer, "Count"}};
constexpr ParameterSpec kINSERT[] = {
    {ByValue, String, "SubStr"}, {ByReference, String, "Str"}, {ByValue, Integer, "Position"}};
constexpr ParameterSpec kLENGTH[] = {{ByReference, String, "String"}};
constexpr ParameterSpec kGETMEM[] = {{ByReference, Integer, "Variable"},
                                     {ByValue, Integer, "ByteCount"}};
constexpr ParameterSpec kFREEMEM[] = {{ByReference, Integer, "Variable"},
                                      {ByValue, Integer, "ByteCount"}};
constexpr ParameterSpec kNOT[] = {{ByValue, Boolean, "Variable"}};
constexpr ParameterSpec kADDR[] = {{ByReference, Untyped, "Variable"}};
constexpr ParameterSpec kAT[] = {{ByReference, Untyped, "Variable"}};
constexpr ParameterSpec kCHR[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kORD[] = {{ByValue, String, "Test"}};
constexpr ParameterSpec kFILLCHAR[] = {
    {ByReference, Untyped, "Variable"}, {ByValue, Integer, "Count"}, {ByValue, Byte, "Value"}};
constexpr ParameterSpec kCOS[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kSIN[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kEXP[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kINT[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kFRAC[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kTRUNC[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kDEGTORAD[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kABS[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kARCTAN[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kLN[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kSQR[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kSQRT[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kLOWORD[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kHIWORD[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kLO[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kHI[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kREADPORT[] = {{ByValue, Integer, "Adresse"}};
constexpr ParameterSpec kWRITEPORT[] = {{ByValue, Integer, "Adresse"}, {ByValue, Integer, "Value"}};
constexpr ParameterSpec kREADMEM[] = {{ByValue, Integer, "Segment"}, {ByValue, Integer, "Offset"}};
constexpr ParameterSpec kWRITEMEM[] = {
    {ByValue, Integer, "Segment"}, {ByValue, Integer, "Offset"}, {ByValue, Integer, "Value"}};
constexpr ParameterSpec kCOMPUTE2[] = {{ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"}};
constexpr ParameterSpec kCOMPUTE3[] = {
    {ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"}, {ByValue, Boolean, "B2"}};
constexpr ParameterSpec kCOMPUTE4[] = {{ByValue, Boolean, "B0"},
                                       {ByValue, Boolean, "B1"},
                                       {ByValue, Boolean, "B2"},
                                       {ByValue, Boolean, "B3"}};
constexpr ParameterSpec kCOMPUTE5[] = {{ByValue, Boolean, "B0"},
                                       {ByValue, Boolean, "B1"},
                                       {ByValue, Boolean, "B2"},
                                       {ByValue, Boolean, "B3"},
                                       {ByValue, Boolean, "B4"}};
constexpr ParameterSpec kCOMPUTE6[] = {{ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},
                                       {ByValue, Boolean, "B2"}, {ByValue, Boolean, "B3"},
                                       {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"}};
constexpr ParameterSpec kCOMPUTE7[] = {{ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},
                                       {ByValue, Boolean, "B2"}, {ByValue, Boolean, "B3"},
                                       {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"},
                                       {ByValue, Boolean, "B6"}};
constexpr ParameterSpec kCOMPUTE8[] = {{ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},
                                       {ByValue, Boolean, "B2"}, {ByValue, Boolean, "B3"},
                                       {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"},
                                       {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"}};
constexpr ParameterSpec kCOMPUTE9[] = {
    {ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"}, {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"}, {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"}, {ByValue, Boolean, "B8"}};
constexpr ParameterSpec kCOMPUTE10[] = {{ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},
                                        {ByValue, Boolean, "B2"}, {ByValue, Boolean, "B3"},
                                        {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"},
                                        {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"},
                                        {ByValue, Boolean, "B8"}, {ByValue, Boolean, "B9"}};
constexpr ParameterSpec kCOMPUTE11[] = {
    {ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"}, {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"}, {ByValue, Boolean, "B4"}, {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"}, {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"}, {ByValue, Boolean, "B10"}};
constexpr ParameterSpec kCOMPUTE12[] = {
    {ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},  {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"}, {ByValue, Boolean, "B4"},  {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"},  {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"}, {ByValue, Boolean, "B10"}, {ByValue, Boolean, "B11"}};
constexpr ParameterSpec kCOMPUTE13[] = {
    {ByValue, Boolean, "B0"}, {ByValue, Boolean, "B1"},  {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"}, {ByValue, Boolean, "B4"},  {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"}, {ByValue, Boolean, "B7"},  {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"}, {ByValue, Boolean, "B10"}, {ByValue, Boolean, "B11"},
    {ByValue, Boolean, "B12"}};
constexpr ParameterSpec kCOMPUTE14[] = {
    {ByValue, Boolean, "B0"},  {ByValue, Boolean, "B1"},  {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"},  {ByValue, Boolean, "B4"},  {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"},  {ByValue, Boolean, "B7"},  {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"},  {ByValue, Boolean, "B10"}, {ByValue, Boolean, "B11"},
    {ByValue, Boolean, "B12"}, {ByValue, Boolean, "B13"}};
constexpr ParameterSpec kCOMPUTE15[] = {
    {ByValue, Boolean, "B0"},  {ByValue, Boolean, "B1"},  {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"},  {ByValue, Boolean, "B4"},  {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"},  {ByValue, Boolean, "B7"},  {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"},  {ByValue, Boolean, "B10"}, {ByValue, Boolean, "B11"},
    {ByValue, Boolean, "B12"}, {ByValue, Boolean, "B13"}, {ByValue, Boolean, "B14"}};
constexpr ParameterSpec kCOMPUTE16[] = {
    {ByValue, Boolean, "B0"},  {ByValue, Boolean, "B1"},  {ByValue, Boolean, "B2"},
    {ByValue, Boolean, "B3"},  {ByValue, Boolean, "B4"},  {ByValue, Boolean, "B5"},
    {ByValue, Boolean, "B6"},  {ByValue, Boolean, "B7"},  {ByValue, Boolean, "B8"},
    {ByValue, Boolean, "B9"},  {ByValue, Boolean, "B10"}, {ByValue, Boolean, "B11"},
    {ByValue, Boolean, "B12"}, {ByValue, Boolean, "B13"}, {ByValue, Boolean, "B14"},
    {ByValue, Boolean, "B15"}};
constexpr ParameterSpec kDIFFUSE[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kISET[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kXADDIMAGE[] = {{ByValue, String, "ImageName"}};
constexpr ParameterSpec kXSETIMAGE[] = {{ByValue, Integer, "Node"},
                                        {ByValue, Integer, "Image Number"}};
constexpr ParameterSpec kTREEGETITEM[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kTREESETITEM[] = {{ByValue, Integer, "Index"}, {ByValue, String, "Item"}};
constexpr ParameterSpec kTREESETSELECTEDITEM[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kTREEADD[] = {{ByValue, Integer, "Index"}, {ByValue, String, "Textstr"}};
constexpr ParameterSpec kTREEADDCHILD[] = {{ByValue, Integer, "Index"},
                                           {ByValue, String, "Textstr"}};
constexpr ParameterSpec kTREEDELETE[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kTREEINSERTADD[] = {{ByValue, Integer, "Index"},
                                            {ByValue, String, "Textstr"}};
constexpr ParameterSpec kTREEISPARENT[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kTREEGETFULLPATH[] = {{ByValue, Integer, "Index"},
                                              {ByValue, String, "Separator"}};
constexpr ParameterSpec kTREELOADFROMFILE[] = {{ByValue, String, "FileName"}};
constexpr ParameterSpec kTREESAVETOFILE[] = {{ByValue, String, "FileName"}};
constexpr ParameterSpec kTREESETIMAGESIZE[] = {{ByValue, Integer, "Image Width"},
                                               {ByValue, Integer, "Image Height"}};
constexpr ParameterSpec kTREESETSELECTEDIMAGE[] = {{ByValue, Integer, "Node"},
                                                   {ByValue, Integer, "Image Number"}};
constexpr ParameterSpec kLVGETITEM[] = {{ByValue, Integer, "Col"}, {ByValue, Integer, "Row"}};
constexpr ParameterSpec kLVADDITEM[] = {
    {ByValue, Integer, "Col"}, {ByValue, Integer, "Row"}, {ByValue, String, "String"}};
constexpr ParameterSpec kLVSETCOLAUTOSIZE[] = {{ByValue, Boolean, "AutoSize"}};
constexpr ParameterSpec kCHECKLISTSETSTATE[] = {{ByValue, Integer, "Index"},
                                                {ByValue, Boolean, "CheckBoxState"}};
constexpr ParameterSpec kCHECKLISTGETSTATE[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kCHECKLISTLOADFROMFILE[] = {{ByValue, String, "FileName"}};
constexpr ParameterSpec kCHECKLISTSAVETOFILE[] = {{ByValue, String, "FileName"}};
constexpr ParameterSpec kXSENDEMAIL[] = {{ByValue, String, "Mail From"},
                                         {ByValue, String, "Mail Dest."},
                                         {ByValue, String, "Subject"},
                                         {ByValue, String, "Body (text)"},
                                         {ByValue, String, "SMTP"}};
constexpr ParameterSpec kOPCCLIENTCONNECT[] = {
    {ByValue, String, "Name"}, {ByValue, String, "Group"}, {ByValue, Integer, "TimeBase"}};
constexpr ParameterSpec kOPCCLIENTREADASYNC[] = {{ByValue, String, "OPCName"},
                                                 {ByValue, String, "VarQRU"}};
constexpr ParameterSpec kOPCCLIENTREADSYNC[] = {{ByValue, String, "OPCName"}};
constexpr ParameterSpec kOPCCLIENTWRITESYNC[] = {{ByValue, String, "OPCName"},
                                                 {ByValue, String, "OPCNewValue"}};
constexpr ParameterSpec kDISPFUNC[] = {{ByValue, Word, "offset"},
                                       {ByValue, Integer, "CallConv"},
                                       {ByValue, Integer, "TypeRet"},
                                       {ByValue, ValueList, "Parameters"}};
constexpr ParameterSpec kINVOKEAPPLETW[] = {{ByValue, Integer, "Id"},
                                            {ByValue, ValueList, "Parameters"}};
constexpr ParameterSpec kINVOKEAPPLETR[] = {{ByValue, Integer, "Id"},
                                            {ByValue, ValueList, "Parameters"}};
constexpr ParameterSpec kGETPROPID[] = {{ByValue, Integer, "ID"}};
constexpr ParameterSpec kSETPROPID[] = {{ByValue, Integer, "ID"},
                                        {ByValue, ValueList, "Parameters"}};
constexpr ParameterSpec kVT2DOUBLE[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2REAL[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2INTEGER[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2WORD[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2BYTE[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2BOOLEAN[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kVT2STR[] = {{ByValue, Integer, "Variant"}};
constexpr ParameterSpec kSAVEPROPOCX[] = {{ByValue, String, "File Name"}};
constexpr ParameterSpec kLOADPROPOCX[] = {{ByValue, String, "File Name"}};
constexpr ParameterSpec kQRUNLOAD[] = {{ByValue, String, "QRU Name"}};
constexpr ParameterSpec kQRLOAD[] = {{ByValue, String, "QRU Name"}};
constexpr ParameterSpec kRESTRICTWINSIZE[] = {{ByValue, Integer, "WidthMin"},
                                              {ByValue, Integer, "HeightMin"},
                                              {ByValue, Integer, "WidthMax"},
                                              {ByValue, Integer, "HeightMax"}};
constexpr ParameterSpec kSETBORDERSTYLE[] = {{ByValue, Word, "Border Style"}};
constexpr ParameterSpec kOPENBMP[] = {{ByValue, String, "Bitmap Name"},
                                      {ByReference, Integer, "Width"},
                                      {ByReference, Integer, "Height"},
                                      {ByReference, Integer, "Palette"}};
constexpr ParameterSpec kSETHANDLEBMP[] = {{ByValue, Integer, "New Handle BMP"}};
constexpr ParameterSpec kFINDOBJECTNAME[] = {{ByValue, String, "ObjectClassName"}};
constexpr ParameterSpec kPROCESSMESSAGES[] = {{ByValue, Integer, "How Many Messages"}};
constexpr ParameterSpec kSETBUTTON[] = {{ByValue, Boolean, "On_Off"}};
constexpr ParameterSpec kSETTEXTMESSAGE[] = {{ByValue, String, "Text"}};
constexpr ParameterSpec kSETXORG[] = {{ByValue, Integer, "XOrg"}};
constexpr ParameterSpec kSETYORG[] = {{ByValue, Integer, "YOrg"}};
constexpr ParameterSpec kSETYFIN[] = {{ByValue, Integer, "YEnd"}};
constexpr ParameterSpec kSETXFIN[] = {{ByValue, Integer, "XEnd"}};
constexpr ParameterSpec kSETVALUE[] = {{ByValue, Real, "Value"}};
constexpr ParameterSpec kSETCOLOR[] = {{ByValue, Integer, "Color"}};
constexpr ParameterSpec kSETFILLCOLOR[] = {{ByValue, Integer, "Color"}};
constexpr ParameterSpec kSETPENWIDTH[] = {{ByValue, Integer, "Width"}};
constexpr ParameterSpec kSETNDECIMALES[] = {{ByValue, Integer, "Decimales"}};
constexpr ParameterSpec kCLOSEFORM[] = {{ByValue, String, "Form Name"}};
constexpr ParameterSpec kDISPLACE[] = {{ByValue, Integer, "DX"}, {ByValue, Integer, "DY"}};
constexpr ParameterSpec kODISPLACE[] = {{ByValue, Integer, "DX"}, {ByValue, Integer, "DY"}};
constexpr ParameterSpec kOENLARGE[] = {{ByValue, Integer, "DX"}, {ByValue, Integer, "DY"}};
constexpr ParameterSpec kSTRETCHBMP[] = {{ByValue, Integer, "State"}};
constexpr ParameterSpec kGETLINE[] = {{ByReference, String, "S"}, {ByValue, Integer, "Line"}};
constexpr ParameterSpec kGETLINELENGTH[] = {{ByValue, Integer, "LineNumber"}};
constexpr ParameterSpec kGETSELECTION[] = {{ByReference, Integer, "StartPosition"},
                                           {ByReference, Integer, "EndPosition"}};
constexpr ParameterSpec kGETLINEFROMPOS[] = {{ByValue, Integer, "CharPosition"}};
constexpr ParameterSpec kSETSELECTION[] = {{ByValue, Integer, "StartPosition"},
                                           {ByValue, Integer, "EndPosition"}};
constexpr ParameterSpec kDELETELINE[] = {{ByValue, Integer, "LineNumber"}};
constexpr ParameterSpec kEDITINSERT[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kSETREADONLY[] = {{ByValue, Boolean, "Value"}};
constexpr ParameterSpec kADDSTRING[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kDELETESTRING[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kINSERTSTRING[] = {{ByValue, String, "String"},
                                           {ByValue, Integer, "Position"}};
constexpr ParameterSpec kSETSELSTRING[] = {{ByValue, String, "String"},
                                           {ByValue, Integer, "Position"}};
constexpr ParameterSpec kGETSTRING[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kLDIR[] = {{ByValue, String, "Mask"}};
constexpr ParameterSpec kLDIREX[] = {{ByValue, String, "Mask"}};
constexpr ParameterSpec kSCRNBMP[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kSTRLISTEXIST[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kSETSELINDEX[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kGETSELECTED[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kSETTEXT[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kSETTEXTEX[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kCOMBOSETEDITSEL[] = {{ByValue, Integer, "StartPosition"},
                                              {ByValue, Integer, "EndPosition"}};
constexpr ParameterSpec kSETCHECK[] = {{ByValue, Integer, "Flag"}};
constexpr ParameterSpec kSETCHECKBOX[] = {{ByValue, Boolean, "State"}};
constexpr ParameterSpec kSETQIOBOX[] = {{ByValue, Boolean, "State"}};
constexpr ParameterSpec kLOADBMP[] = {{ByValue, String, "BmpName"}};
constexpr ParameterSpec kTOGGLEOWNER[] = {{ByValue, String, "NUP"}, {ByValue, String, "NDown"}};
constexpr ParameterSpec kBUTTONOWNER[] = {{ByValue, String, "NUP"}, {ByValue, String, "NDown"}};
constexpr ParameterSpec kUPCASES[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kLOCASES[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kCOMMUT_FIG[] = {{ByValue, String, "Name"}};
constexpr ParameterSpec kGO2[] = {{ByValue, String, "Fig Name"}};
constexpr ParameterSpec kEXECUTE[] = {{ByValue, String, "ExeName"}};
constexpr ParameterSpec kDISPLAY[] = {{ByValue, String, "FormName"}};
constexpr ParameterSpec kDISPLAYEX[] = {{ByValue, String, "FormName"},
                                        {ByValue, Integer, "Monitor"}};
constexpr ParameterSpec kDUPLICATEFORM[] = {{ByValue, String, "FormName"},
                                            {ByValue, Integer, "FormIndice"},
                                            {ByValue, Integer, "Monitor"},
                                            {ByValue, Integer, "NewLeftPos"},
                                            {ByValue, Integer, "NewTopPos"}};
constexpr ParameterSpec kDISPLAYMODAL[] = {{ByValue, String, "FormName"}};
constexpr ParameterSpec kMODALEXECUTE[] = {{ByValue, String, "ExeName"}};
constexpr ParameterSpec kWINMESS[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kGETPALETTECOLOR[] = {{ByReference, Integer, "Color"}};
constexpr ParameterSpec kSETCAPTION[] = {{ByValue, String, "Caption"}};
constexpr ParameterSpec kSETPAGE[] = {{ByValue, Integer, "#Page"}};
constexpr ParameterSpec kGETMENUST[] = {{ByValue, Integer, "Id"}};
constexpr ParameterSpec kVALIDMENUITEM[] = {{ByValue, Integer, "Id"}, {ByValue, Boolean, "State"}};
constexpr ParameterSpec kSETMENUSTRING[] = {{ByValue, Integer, "Id"}, {ByValue, String, "Value"}};
constexpr ParameterSpec kSETMENUBITMAP[] = {{ByValue, Integer, "Id"}, {ByValue, String, "BmpName"}};
constexpr ParameterSpec kSETPOPUPSTRING[] = {{ByValue, Integer, "Id"}, {ByValue, String, "Value"}};
constexpr ParameterSpec kSETPOPUPPSTRING[] = {{ByValue, Integer, "Id"}, {ByValue, String, "Value"}};
constexpr ParameterSpec kTOGGLEMENU[] = {{ByValue, Integer, "IdMenu"}};
constexpr ParameterSpec kDRAG[] = {{ByValue, String, "Value"}};
constexpr ParameterSpec kVALIDXSCROLL[] = {{ByValue, Boolean, "Visible"}};
constexpr ParameterSpec kVALIDYSCROLL[] = {{ByValue, Boolean, "Visible"}};
constexpr ParameterSpec kSTRCHANGE[] = {{ByReference, String, "String"}};
constexpr ParameterSpec kPUSHBUTTON[] = {{ByReference, Bit, "State"}, {ByValue, Word, "Key"}};
constexpr ParameterSpec kTOGGLEBUTTON[] = {{ByReference, Bit, "State"}, {ByValue, Word, "Key"}};
constexpr ParameterSpec kVALIDBUTTON[] = {{ByValue, Boolean, "State"}};
constexpr ParameterSpec kSCALE[] = {{ByValue, Real, "Var"},
                                    {ByValue, Real, "InputLowRange"},
                                    {ByValue, Real, "InputHighRange"},
                                    {ByValue, Real, "OutPutLowRange"},
                                    {ByValue, Real, "InputHighRange"}};
constexpr ParameterSpec kSLIDERVERTICAL[] = {{ByReference, Real, "Variable"},
                                             {ByValue, Integer, "PixelMax"},
                                             {ByValue, Real, "LowRange"},
                                             {ByValue, Real, "HighRange"}};
constexpr ParameterSpec kSLIDERHORIZONTAL[] = {{ByReference, Real, "Variable"},
                                               {ByValue, Integer, "PixelMax"},
                                               {ByValue, Real, "LowRange"},
                                               {ByValue, Real, "HighRange"}};
constexpr ParameterSpec kSETCANCLOSE[] = {{ByValue, Boolean, "CANCLOSE"}};
constexpr ParameterSpec kSETANGLE[] = {{ByValue, Integer, "Angle"}};
constexpr ParameterSpec kSLIDERQIOCHANGE[] = {{ByValue, Real, "QIOValue"}};
constexpr ParameterSpec kSETSLIDER[] = {{ByValue, Real, "Position"}};
constexpr ParameterSpec kTRACKQIOCHANGE[] = {{ByValue, Integer, "QIOValue"}};
constexpr ParameterSpec kSETTRACKBAR[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kSETTRACKEND[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kSETTRACKSTART[] = {{ByValue, Integer, "Position"}};
constexpr ParameterSpec kFLOODFILL[] = {
    {ByValue, Boolean, "IsFlood"}, {ByValue, Integer, "Color"}, {ByValue, Integer, "Percent"}};
constexpr ParameterSpec kSETUPDOWN[] = {{ByValue, Integer, "Value"}};
constexpr ParameterSpec kSETRADIO[] = {{ByValue, Boolean, "State"}};
constexpr ParameterSpec kENABLEREFRESH[] = {{ByValue, Boolean, "Refresh State"}};
constexpr ParameterSpec kTRANSLATE[] = {{ByValue, String, "Text To Translate"}};
constexpr ParameterSpec kADDTODICO[] = {{ByValue, String, "DICO File Name"}};
constexpr ParameterSpec kSTRINGWIDTH[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kPOPUPMENUDESTROY[] = {{ByReference, Integer, "PopUpHandle"}};
constexpr ParameterSpec kPOPUPMENUADDCHILD[] = {{ByValue, Integer, "PopUpHandle"},
                                                {ByValue, String, "Text"}};
constexpr ParameterSpec kWINLADDER[] = {{ByValue, String, "LadderName"}};
constexpr ParameterSpec kWINGRAFCET[] = {{ByValue, String, "GrafcetName"}};
constexpr ParameterSpec kSETFONTNAME[] = {{ByValue, String, "FontName"}};
constexpr ParameterSpec kSETFONTSTYLE[] = {{ByValue, Integer, "FontStyle"}};
constexpr ParameterSpec kINITPLAYER[] = {{ByValue, String, "Name"},
                                         {ByValue, Boolean, "Stretched"}};
constexpr ParameterSpec kNEWMEDIA[] = {{ByValue, String, "Name"}};
constexpr ParameterSpec kPRINTREPORT[] = {{ByValue, String, "Form Name"}};
constexpr ParameterSpec kFILETEXTOPEN[] = {{ByReference, Integer, "Handle"},
                                           {ByValue, String, "File Name"}};
constexpr ParameterSpec kFILETEXTAPPEND[] = {{ByReference, Integer, "Handle"},
                                             {ByValue, String, "File Name"}};
constexpr ParameterSpec kFILETEXTCLOSE[] = {{ByReference, Integer, "Handle"}};
constexpr ParameterSpec kREADLN[] = {{ByReference, Integer, "Handle"},
                                     {ByReference, String, "String"}};
constexpr ParameterSpec kWRITELN[] = {{ByReference, Integer, "Handle"},
                                      {ByValue, String, "String"}};
constexpr ParameterSpec kWRITE[] = {{ByReference, Integer, "Handle"}, {ByValue, String, "String"}};
constexpr ParameterSpec kEOF[] = {{ByReference, Integer, "Handle"}};
constexpr ParameterSpec kFILEEXISTS[] = {{ByValue, String, "File Name"}};
constexpr ParameterSpec kFILERENAME[] = {{ByValue, String, "Old Name"},
                                         {ByValue, String, "New Name"}};
constexpr ParameterSpec kFILECOPY[] = {{ByValue, String, "Source"},
                                       {ByValue, String, "Destination"}};
constexpr ParameterSpec kFILECONCAT[] = {{ByValue, String, "Source"},
                                         {ByValue, String, "Destination"}};
constexpr ParameterSpec kCLEARBLANK[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kTASK_GETHISTOALA[] = {{ByValue, Integer, "Index"}};
constexpr ParameterSpec kTASK_KEEPHISTOALA[] = {{ByValue, Integer, "HowMany Kept"}};
constexpr ParameterSpec kTASK_DB_ALARM[] = {{ByValue, Boolean, "Store in DB"}};
constexpr ParameterSpec kCUSTOMGRID[] = {{ByValue, Integer, "#Columns"},
                                         {ByValue, Integer, "#Rows"},
                                         {ByValue, Integer, "#FixedCol"},
                                         {ByValue, Integer, "#FixedRows"}};
constexpr ParameterSpec kGSETOPTIONS[] = {{ByValue, Integer, "Options"}};
constexpr ParameterSpec kGCOMMAND[] = {
    {ByValue, String, "Type"}, {ByValue, Integer, "Col"}, {ByValue, Integer, "Row"}};
constexpr ParameterSpec kGSETCONTROL[] = {
    {ByValue, Integer, "Col"}, {ByValue, Integer, "Row"}, {ByValue, String, "Control Name"}};
constexpr ParameterSpec kGSETCOL[] = {{ByValue, Integer, "Col Position"}};
constexpr ParameterSpec kGSETROW[] = {{ByValue, Integer, "Row Position"}};
constexpr ParameterSpec kGSETCOLCOUNT[] = {{ByValue, Integer, "Cols Count"}};
constexpr ParameterSpec kGSETROWCOUNT[] = {{ByValue, Integer, "Rows Count"}};
constexpr ParameterSpec kGSETCOLWIDTH[] = {{ByValue, Integer, "Column"},
                                           {ByValue, Integer, "Width"}};
constexpr ParameterSpec kGSETROWHEIGHT[] = {{ByValue, Integer, "Row"},
                                            {ByValue, Integer, "Height"}};
constexpr ParameterSpec kGSETFIXEDCOLOR[] = {{ByValue, Integer, "Color"}};
constexpr ParameterSpec kGSETTEXTFIXEDCOLOR[] = {{ByValue, Integer, "Color"}};
constexpr ParameterSpec kGSETFIXEDCOLS[] = {{ByValue, Integer, "# Fixed Columns"}};
constexpr ParameterSpec kGSETFIXEDROWS[] = {{ByValue, Integer, "# Fixed Rows"}};
constexpr ParameterSpec kGGETTEXT[] = {{ByValue, Integer, "A Column"}, {ByValue, Integer, "A Row"}};
constexpr ParameterSpec kGSETTEXT[] = {
    {ByValue, Integer, "A Column"}, {ByValue, Integer, "A Row"}, {ByValue, String, "Text"}};
constexpr ParameterSpec kGSETTEXTCURRENT[] = {{ByValue, String, "Text"}};
constexpr ParameterSpec kGGETCURRENT[] = {{ByReference, Integer, "Current Column"},
                                          {ByReference, Integer, "Current Row"}};
constexpr ParameterSpec kGGETCOLWIDTH[] = {{ByValue, Integer, "Column"}};
constexpr ParameterSpec kGGETROWHEIGHT[] = {{ByValue, Integer, "Row"}};
constexpr ParameterSpec kGSETCELLCOLOR[] = {
    {ByValue, Integer, "Column"}, {ByValue, Integer, "Row"}, {ByValue, Integer, "Color"}};
constexpr ParameterSpec kGGETCELLCOLOR[] = {{ByValue, Integer, "Column"},
                                            {ByValue, Integer, "Row"}};
constexpr ParameterSpec kGSETTEXTCOLOR[] = {
    {ByValue, Integer, "Column"}, {ByValue, Integer, "Row"}, {ByValue, Integer, "Text Color"}};
constexpr ParameterSpec kGGETTEXTCOLOR[] = {{ByValue, Integer, "Column"},
                                            {ByValue, Integer, "Row"}};
constexpr ParameterSpec kFLYINGCELLS[] = {{ByReference, Integer, "Flying Column"},
                                          {ByReference, Integer, "Flying Row"}};
constexpr ParameterSpec kGENABLEDISPLAY[] = {{ByValue, Boolean, "On/Off"}};
constexpr ParameterSpec kGSETLEFTCOL[] = {{ByValue, Integer, "Column"}};
constexpr ParameterSpec kGSETTOPROW[] = {{ByValue, Integer, "Row"}};
constexpr ParameterSpec kGSETDODBCLICK[] = {{ByValue, Boolean, "Enable DBClick"}};
constexpr ParameterSpec kGSETUNICODE[] = {{ByValue, Boolean, "Enable UNICODE"}};
constexpr ParameterSpec kSTRTODATETIME[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kSTRTOTIME[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kDATETIMETOSTR[] = {{ByValue, Real, "Date+Time"}};
constexpr ParameterSpec kDATETOSTR[] = {{ByValue, Real, "Date"}};
constexpr ParameterSpec kTIMETOSTR[] = {{ByValue, Real, "Time"}};
constexpr ParameterSpec kFORMATDATETIME[] = {{ByValue, String, "Format"},
                                             {ByValue, Real, "DateTime"}};
constexpr ParameterSpec kDAYOFWEEK[] = {{ByValue, Real, "Date"}};
constexpr ParameterSpec kENCODEDATE[] = {
    {ByValue, Word, "Year"}, {ByValue, Word, "Month"}, {ByValue, Word, "Day"}};
constexpr ParameterSpec kENCODETIME[] = {{ByValue, Word, "Hour"},
                                         {ByValue, Word, "Min"},
                                         {ByValue, Word, "Sec"},
                                         {ByValue, Word, "msec"}};
constexpr ParameterSpec kFORMATFLOAT[] = {{ByValue, String, "Format String"},
                                          {ByValue, Real, "Float Value"}};
constexpr ParameterSpec kOPENDDE[] = {{ByValue, String, "Server"}};
constexpr ParameterSpec kDDEGETDATA[] = {{ByValue, String, "Topic"}, {ByValue, String, "Item"}};
constexpr ParameterSpec kDDESENDDATA[] = {
    {ByValue, String, "Topic"}, {ByValue, String, "Item"}, {ByValue, String, "Value"}};
constexpr ParameterSpec kDDESENDMACRO[] = {{ByValue, String, "Macro"}};
constexpr ParameterSpec kPRINTLN[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kPRINT[] = {{ByValue, String, "String"}};
constexpr ParameterSpec kPRINTSIZE[] = {{ByValue, Integer, "Size"}};
constexpr ParameterSpec kPRINTATTR[] = {{ByValue, Integer, "Attributs"}};
constexpr ParameterSpec kPRINTFONT[] = {{ByValue, String, "Font Name"}};
constexpr ParameterSpec kPRINTBITMAP[] = {{ByValue, Integer, "X Position"},
                                          {ByValue, String, "Bitmap Name"}};
constexpr ParameterSpec kSETMARGE[] = {{ByValue, Integer, "Marge"}};
constexpr ParameterSpec kSETPEN[] = {{ByValue, Integer, "Pen Position"}};
constexpr ParameterSpec kGETMAXLINES[] = {{ByValue, String, "Font Name"},
                                          {ByValue, Integer, "Font Size"}};
constexpr ParameterSpec kPRINTCOLOR[] = {{ByValue, Integer, "Color"}};
constexpr ParameterSpec kPRINTLINE[] = {{ByValue, Integer, "Xorg"},
                                        {ByValue, Integer, "YOrg"},
                                        {ByValue, Integer, "XEnd"},
                                        {ByValue, Integer, "YEnd"},
                                        {ByValue, Integer, "Pen Width"}};
constexpr ParameterSpec kPRINTCIRCLE[] = {{ByValue, Integer, "Center Of X"},
                                          {ByValue, Integer, "Center Of Y"},
                                          {ByValue, Integer, "Radius"},
                                          {ByValue, Integer, "Pen Width"}};
constexpr ParameterSpec kHPRINTTEXT[] = {
    {ByValue, String, "Text"}, {ByValue, String, "Font Name"}, {ByValue, Integer, "Font Size"}};
constexpr ParameterSpec kLPRINTTEXT[] = {
    {ByValue, String, "Text"}, {ByValue, String, "Font Name"}, {ByValue, Integer, "Font Size"}};
constexpr ParameterSpec kSETPRINTERFORMAT[] = {{ByValue, Boolean, "Portrait"}};
constexpr ParameterSpec kSETPRINTERINDEX[] = {{ByValue, Integer, "Printer Num"}};
constexpr ParameterSpec kCUSTOMTREND[] = {
    {ByValue, Integer, "DivX"}, {ByValue, Integer, "DivY"},   {ByValue, Integer, "SubX"},
    {ByValue, Integer, "SubY"}, {ByValue, Real, "LowRangeY"}, {ByValue, Real, "HighRangeY"}};
constexpr ParameterSpec kTDISPLAYGRID[] = {{ByValue, Boolean, "Display"}};
constexpr ParameterSpec kTSETTEXTX[] = {{ByValue, Integer, "XPosition"},
                                        {ByValue, String, "NewText"}};
constexpr ParameterSpec kTSETPENCILCOLOR[] = {{ByValue, Integer, "Pencil"},
                                              {ByValue, Integer, "Color"}};
constexpr ParameterSpec kTSETPOINT[] = {
    {ByValue, Integer, "Pencil"}, {ByValue, Integer, "X Position"}, {ByValue, Real, "Value"}};
constexpr ParameterSpec kTRESETPOINTS[] = {{ByValue, Integer, "Pencil"}};
constexpr ParameterSpec kTSETLRANGEY[] = {{ByValue, Real, "Low Value"}};
constexpr ParameterSpec kTSETHRANGEY[] = {{ByValue, Real, "High Value"}};
constexpr ParameterSpec kTSETLLEVEL[] = {{ByValue, Real, "Low Level Value"}};
constexpr ParameterSpec kTSETHLEVEL[] = {{ByValue, Real, "High Level Value"}};
constexpr ParameterSpec kTSETLLEVELCOL[] = {{ByValue, Integer, "Low Level Color"}};
constexpr ParameterSpec kTSETHLEVELCOL[] = {{ByValue, Integer, "High Level Color"}};
constexpr ParameterSpec kTSETBLEFT[] = {{ByValue, Integer, "LeftBar Position"}};
constexpr ParameterSpec kTSETBRIGHT[] = {{ByValue, Integer, "RightBar Position"}};
constexpr ParameterSpec kTSETBLEFTCOL[] = {{ByValue, Integer, "LeftBar Color"}};
constexpr ParameterSpec kTSETBRIGHTCOL[] = {{ByValue, Integer, "RightBar Color"}};
constexpr ParameterSpec kTSETDECIMALS[] = {{ByValue, Integer, "Count"}};
constexpr ParameterSpec kTSETBORDERRIGHT[] = {{ByValue, Integer, "Pixels Count"}};
constexpr ParameterSpec kTSETCOEF[] = {{ByValue, Integer, "Pencil"}, {ByValue, Real, "Coef"}};
constexpr ParameterSpec kTGETGRADUX[] = {{ByValue, Integer, "Gradu X Position"}};
constexpr ParameterSpec kTENABLEDISPLAY[] = {{ByValue, Boolean, "Display"}};
constexpr ParameterSpec kTREGISTERPROC[] = {{ByValue, Integer, "PROC ADDR"}};
constexpr ParameterSpec kTSETDIVX[] = {{ByValue, Integer, "Div X"}};
constexpr ParameterSpec kTSETDIVY[] = {{ByValue, Integer, "Div Y"}};
constexpr ParameterSpec kTRENDTOREPORT[] = {{ByValue, String, "Report Form Name"},
                                            {ByValue, String, "Report Control Name"},
                                            {ByValue, Integer, "Trend Handle"}};
constexpr ParameterSpec kWEBNAVIGATE[] = {{ByValue, Integer, "Browser"}, {ByValue, String, "URL"}};
constexpr ParameterSpec kWEBGOBACK[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBGOFORWARD[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBGOHOME[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBGOSEARCH[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBREFRESH[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBSTOP[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kWEBSEARCH[] = {{ByValue, Integer, "Browser"}};
constexpr ParameterSpec kGETQRUVALUE[] = {{ByValue, String, "Var Name"}};
constexpr ParameterSpec kSETQRUVALUE[] = {{ByValue, String, "Var Name"},
                                          {ByValue, String, "Value"}};
constexpr ParameterSpec kGETQRUADDR[] = {{ByValue, String, "Var Name"}};
constexpr ParameterSpec kGETQRUTYPE[] = {{ByValue, String, "Var Name"}};
constexpr ParameterSpec kGETVARLEN[] = {{ByReference, Integer, "AddrRequested"},
                                        {ByReference, Integer, "RetAddrStartVar"},
                                        {ByReference, Integer, "RetVarType"}};
constexpr ParameterSpec kEXTRACTRES[] = {{ByValue, String, "Resource Name"},
                                         {ByValue, String, "Destination FileName"}};
constexpr ParameterSpec kWINDIALOG[] = {{ByValue, Boolean, "Dialog Form"}};
constexpr ParameterSpec kRUNTASK[] = {{ByValue, String, "Task Name"}, {ByValue, Boolean, "Run"}};
constexpr ParameterSpec kSETTASK[] = {{ByValue, String, "Task Name"}, {ByValue, Integer, "ms"}};
constexpr ParameterSpec kGETTASK[] = {{ByValue, String, "Task Name"}};
constexpr ParameterSpec kCALLTASK[] = {{ByValue, String, "Task Name"}};
constexpr ParameterSpec kDISPATCHMES[] = {{ByValue, Integer, "ProcAdr"}};
constexpr ParameterSpec kSETLANGUAGE[] = {{ByValue, Integer, "Lang.Num"}};
constexpr ParameterSpec kFORMSETBOUNDS[] = {{ByValue, String, "Form Name"},
                                            {ByValue, Integer, "Top"},
                                            {ByValue, Integer, "Left"},
                                            {ByValue, Integer, "Width"},
                                            {ByValue, Integer, "Height"}};
constexpr ParameterSpec kFORMGETBOUNDS[] = {{ByValue, String, "Form Name"},
                                            {ByReference, Integer, "Top"},
                                            {ByReference, Integer, "Left"},
                                            {ByReference, Integer, "Width"},
                                            {ByReference, Integer, "Height"}};
constexpr ParameterSpec kFORMVISIBLE[] = {{ByValue, String, "Form Name"}};
constexpr ParameterSpec kCHANGEBACKGROUNDCOLOR[] = {{ByValue, Integer, "BackGround Color"}};
constexpr ParameterSpec kPROFILERADD[] = {{ByValue, String, "ProgName"},
                                          {ByValue, Integer, "CycleTime"}};
constexpr ParameterSpec kGETCLIENTORIGIN[] = {{ByReference, Integer, "Xorg"},
                                              {ByReference, Integer, "Yorg"}};
constexpr ParameterSpec kGETFORMHANDLE[] = {{ByValue, String, "Form Name"}};

constexpr FunctionSpec kFunctions[] = {
    // Core built-ins.
    {"INTTOSTR", Function, String, kINTTOSTR},
    {"STRTOINT", Function, Integer, kSTRTOINT},
    {"FLOATTOSTR", Function, String, kFLOATTOSTR},
    {"STRTOFLOAT", Function, Real, kSTRTOFLOAT},
    {"INTTOHEX", Function, String, kINTTOHEX},
    {"MOVE", Procedure, None, kMOVE},
    {"SETBIT", Procedure, None, kSETBIT},
    {"RESETBIT", Procedure, None, kRESETBIT},
    {"FIXBIT", Procedure, None, kFIXBIT},
    {"TESTBIT", Function, Boolean, kTESTBIT},
    {"COPY", Function, String, kCOPY},
    {"VAL", Procedure, None, kVAL},
    {"POS", Function, Integer, kPOS},
    {"DELETE", Procedure, None, kDELETE},
    {"INSERT", Procedure, None, kINSERT},
    {"LENGTH", Function, Integer, kLENGTH},
    {"GETMEM", Procedure, None, kGETMEM},
    {"FREEMEM", Procedure, None, kFREEMEM},
    {"NOT", Function, Boolean, kNOT},
    {"ADDR", Function, Integer, kADDR},
    {"@", Function, Integer, kAT, "ADDR"},
    {"CHR", Function, String, kCHR},
    {"ORD", Function, Byte, kORD},
    {"FILLCHAR", Procedure, None, kFILLCHAR},
    {"COS", Function, Real, kCOS},
    {"SIN", Function, Real, kSIN},
    {"EXP", Function, Real, kEXP},
    {"INT", Function, Real, kINT},
    {"FRAC", Function, Real, kFRAC},
    {"TRUNC", Function, Integer, kTRUNC},
    {"DEGTORAD", Function, Real, kDEGTORAD},
    {"ABS", Function, Real, kABS},
    {"ARCTAN", Function, Real, kARCTAN},
    {"LN", Function, Real, kLN},
    {"SQR", Function, Real, kSQR},
    {"SQRT", Function, Real, kSQRT},
    {"LOWORD", Function, Integer, kLOWORD},
    {"HIWORD", Function, Integer, kHIWORD},
    {"LO", Function, Integer, kLO},
    {"HI", Function, Integer, kHI},
    {"READPORT", Function, Integer, kREADPORT},
    {"WRITEPORT", Procedure, None, kWRITEPORT},
    {"READMEM", Function, Integer, kREADMEM},
    {"WRITEMEM", Procedure, None, kWRITEMEM},
    {"COMPUTE2", Procedure, None, kCOMPUTE2},
    {"COMPUTE3", Procedure, None, kCOMPUTE3},
    {"COMPUTE4", Procedure, None, kCOMPUTE4},
    {"COMPUTE5", Procedure, None, kCOMPUTE5},
    {"COMPUTE6", Procedure, None, kCOMPUTE6},
    {"COMPUTE7", Procedure, None, kCOMPUTE7},
    {"COMPUTE8", Procedure, None, kCOMPUTE8},
    {"COMPUTE9", Procedure, None, kCOMPUTE9},
    {"COMPUTE10", Procedure, None, kCOMPUTE10},
    {"COMPUTE11", Procedure, None, kCOMPUTE11},
    {"COMPUTE12", Procedure, None, kCOMPUTE12},
    {"COMPUTE13", Procedure, None, kCOMPUTE13},
    {"COMPUTE14", Procedure, None, kCOMPUTE14},
    {"COMPUTE15", Procedure, None, kCOMPUTE15},
    {"COMPUTE16", Procedure, None, kCOMPUTE16},
    {"DIFFUSE", Procedure, None, kDIFFUSE},
    {"ISET", Function, Boolean, kISET},
    // Screen-object, service and communication commands.
    {"XADDIMAGE", Function, Boolean, kXADDIMAGE},
    {"XSETIMAGE", Procedure, None, kXSETIMAGE},
    {"XALPHASORT", Procedure, None, {}},
    {"XGETHIMAGELIST", Function, Integer, {}},
    {"TREEGETCOUNT", Function, Integer, {}},
    {"TREEGETITEM", Function, String, kTREEGETITEM},
    {"TREESETITEM", Procedure, None, kTREESETITEM},
    {"TREEGETSELECTEDITEM", Function, Integer, {}},
    {"TREESETSELECTEDITEM", Procedure, None, kTREESETSELECTEDITEM},
    {"TREEADD", Procedure, None, kTREEADD},
    {"TREEADDCHILD", Procedure, None, kTREEADDCHILD},
    {"TREEDELETE", Procedure, None, kTREEDELETE},
    {"TREEINSERTADD", Procedure, None, kTREEINSERTADD},
    {"TREEISPARENT", Function, Integer, kTREEISPARENT},
    {"TREEGETFULLPATH", Function, String, kTREEGETFULLPATH},
    {"TREEFULLCOLLAPSE", Procedure, None, {}},
    {"TREELOADFROMFILE", Function, Boolean, kTREELOADFROMFILE},
    {"TREESAVETOFILE", Procedure, None, kTREESAVETOFILE},
    {"TREESETIMAGESIZE", Procedure, None, kTREESETIMAGESIZE},
    {"TREESETSELECTEDIMAGE", Procedure, None, kTREESETSELECTEDIMAGE},
    {"LVGETITEM", Function, String, kLVGETITEM},
    {"LVADDITEM", Procedure, None, kLVADDITEM},
    {"LVSETCOLAUTOSIZE", Procedure, None, kLVSETCOLAUTOSIZE},
    {"CHECKLISTSETSTATE", Procedure, None, kCHECKLISTSETSTATE},
    {"CHECKLISTGETSTATE", Function, Boolean, kCHECKLISTGETSTATE},
    {"CHECKLISTLOADFROMFILE", Function, Boolean, kCHECKLISTLOADFROMFILE},
    {"CHECKLISTSAVETOFILE", Procedure, None, kCHECKLISTSAVETOFILE},
    {"XSENDEMAIL", Function, String, kXSENDEMAIL},
    {"OPCCLIENTCONNECT", Function, String, kOPCCLIENTCONNECT},
    {"OPCCLIENTCLOSE", Function, Boolean, {}},
    {"OPCCLIENTREADASYNC", Function, Boolean, kOPCCLIENTREADASYNC},
    {"OPCCLIENTREADSYNC", Function, String, kOPCCLIENTREADSYNC},
    {"OPCCLIENTWRITESYNC", Function, Boolean, kOPCCLIENTWRITESYNC},
    {"OCXGETCLASSNAME", Function, String, {}},
    {"DISPFUNC", Function, Integer, kDISPFUNC},
    {"INVOKEAPPLETW", Function, Integer, kINVOKEAPPLETW},
    {"INVOKEAPPLETR", Function, Integer, kINVOKEAPPLETR},
    {"GETPROPID", Function, Integer, kGETPROPID},
    {"SETPROPID", Procedure, None, kSETPROPID},
    {"VT2DOUBLE", Function, Double, kVT2DOUBLE},
    {"VT2REAL", Function, Real, kVT2REAL},
    {"VT2INTEGER", Function, Integer, kVT2INTEGER},
    {"VT2WORD", Function, Word, kVT2WORD},
    {"VT2BYTE", Function, Byte, kVT2BYTE},
    {"VT2BOOLEAN", Function, Boolean, kVT2BOOLEAN},
    {"VT2STR", Function, String, kVT2STR},
    {"SAVEPROPOCX", Procedure, None, kSAVEPROPOCX},
    {"LOADPROPOCX", Procedure, None, kLOADPROPOCX},
    {"QRUNLOAD", Function, Integer, kQRUNLOAD},
    {"QRLOAD", Procedure, None, kQRLOAD},
    {"RESTRICTWINSIZE", Procedure, None, kRESTRICTWINSIZE},
    {"SETBORDERSTYLE", Procedure, None, kSETBORDERSTYLE},
    {"OPENBMP", Function, Integer, kOPENBMP},
    {"SETHANDLEBMP", Procedure, None, kSETHANDLEBMP},
    {"GETHANDLEBMP", Function, Integer, {}},
    {"GETPARENTNAME", Function, String, {}},
    {"GETOBJECTNAME", Function, String, {}},
    {"FINDOBJECTNAME", Function, String, kFINDOBJECTNAME},
    {"TYPEFIG", Function, Integer, {}},
    {"PROCESSMESSAGES", Procedure, None, kPROCESSMESSAGES},
    {"NEXT_GROUP", Function, Boolean, {}},
    {"PREVIOUS_GROUP", Function, Boolean, {}},
    {"NEXT_GROUP_COMPO", Function, Boolean, {}},
    {"PREVIOUS_GROUP_COMPO", Function, Boolean, {}},
    {"TOPLBDOWN", Function, Boolean, {}},
    {"TOPRBDOWN", Function, Boolean, {}},
    {"TOPLBUP", Function, Boolean, {}},
    {"TOPRBUP", Function, Boolean, {}},
    {"DOUBLECLICK", Function, Boolean, {}},
    {"GETVIRKEY", Function, Word, {}},
    {"GETKEY", Function, String, {}},
    {"KEYUP", Function, Boolean, {}},
    {"IS_ME", Function, Boolean, {}},
    {"GETBUTTON", Function, Boolean, {}},
    {"SETBUTTON", Procedure, None, kSETBUTTON},
    {"GETTEXTMESSAGE", Function, String, {}},
    {"SETTEXTMESSAGE", Procedure, None, kSETTEXTMESSAGE},
    {"SETXORG", Procedure, None, kSETXORG},
    {"SETYORG", Procedure, None, kSETYORG},
    {"GETXORG", Function, Integer, {}},
    {"GETYORG", Function, Integer, {}},
    {"SETYFIN", Procedure, None, kSETYFIN},
    {"SETXFIN", Procedure, None, kSETXFIN},
    {"GETYFIN", Function, Integer, {}},
    {"GETXFIN", Function, Integer, {}},
    {"SETVALUE", Procedure, None, kSETVALUE},
    {"GETVALUE", Function, Real, {}},
    {"SETCOLOR", Procedure, None, kSETCOLOR},
    {"SETFILLCOLOR", Procedure, None, kSETFILLCOLOR},
    {"GETCOLOR", Function, Integer, {}},
    {"GETFILLCOLOR", Function, Integer, {}},
    {"SETPENWIDTH", Procedure, None, kSETPENWIDTH},
    {"GETPENWIDTH", Function, Integer, {}},
    {"SETNDECIMALES", Procedure, None, kSETNDECIMALES},
    {"GETNDECIMALES", Function, Integer, {}},
    {"CLOSEAPPLI", Procedure, None, {}},
    {"CLOSEFORM", Function, Boolean, kCLOSEFORM},
    {"FILLED", Procedure, None, {}},
    {"UNFILLED", Procedure, None, {}},
    {"ISFILLED", Function, Boolean, {}},
    {"DISPLACE", Procedure, None, kDISPLACE},
    {"ODISPLACE", Procedure, None, kODISPLACE},
    {"OENLARGE", Procedure, None, kOENLARGE},
    {"WINBKGNDCOLOR", Function, Integer, {}},
    {"STRETCHBMP", Procedure, None, kSTRETCHBMP},
    {"GETNUMLINES", Function, Integer, {}},
    {"GETLINE", Function, Boolean, kGETLINE},
    {"GETLINELENGTH", Function, Integer, kGETLINELENGTH},
    {"GETSELECTION", Procedure, None, kGETSELECTION},
    {"GETLINEFROMPOS", Function, Integer, kGETLINEFROMPOS},
    {"SETSELECTION", Function, Boolean, kSETSELECTION},
    {"DELETELINE", Function, Boolean, kDELETELINE},
    {"DELETESELECTION", Function, Boolean, {}},
    {"EDITINSERT", Procedure, None, kEDITINSERT},
    {"ISMODIFIED", Function, Boolean, {}},
    {"CLEARMODIFY", Procedure, None, {}},
    {"SETREADONLY", Procedure, None, kSETREADONLY},
    {"GET_FOCUS", Function, Boolean, {}},
    {"HIDECONTROL", Procedure, None, {}},
    {"SHOWCONTROL", Procedure, None, {}},
    {"CONTROLVISIBLE", Function, Boolean, {}},
    {"ADDSTRING", Function, Integer, kADDSTRING},
    {"CLEARLIST", Procedure, None, {}},
    {"DELETESTRING", Function, Integer, kDELETESTRING},
    {"GETCOUNT", Function, Integer, {}},
    {"GETSELSTRING", Function, String, {}},
    {"INSERTSTRING", Function, Integer, kINSERTSTRING},
    {"SETSELSTRING", Function, Integer, kSETSELSTRING},
    {"GETSTRING", Function, String, kGETSTRING},
    {"GETSELINDEX", Function, Integer, {}},
    {"LDIR", Procedure, None, kLDIR},
    {"LDIREX", Procedure, None, kLDIREX},
    {"SCRNBMP", Function, String, kSCRNBMP},
    {"STRLISTEXIST", Function, Boolean, kSTRLISTEXIST},
    {"SETSELINDEX", Function, Integer, kSETSELINDEX},
    {"GETSELCOUNT", Function, Integer, {}},
    {"GETSELECTED", Function, Boolean, kGETSELECTED},
    {"GETTEXT", Function, String, {}},
    {"SETTEXT", Procedure, None, kSETTEXT},
    {"SETTEXTEX", Procedure, None, kSETTEXTEX},
    {"GETTEXTLEN", Function, Integer, {}},
    {"CLEAR", Procedure, None, {}},
    {"EDITCR", Function, Boolean, {}},
    {"EDITESC", Function, Boolean, {}},
    {"COMBOHIDELIST", Procedure, None, {}},
    {"COMBOSHOWLIST", Procedure, None, {}},
    {"COMBOSETEDITSEL", Function, Boolean, kCOMBOSETEDITSEL},
    {"CHECK", Procedure, None, {}},
    {"UNCHECK", Procedure, None, {}},
    {"GETCHECK", Function, Integer, {}},
    {"SETCHECK", Procedure, None, kSETCHECK},
    {"GETCHECKBOX", Function, Boolean, {}},
    {"SETCHECKBOX", Procedure, None, kSETCHECKBOX},
    {"GETQIOBOX", Function, Boolean, {}},
    {"SETQIOBOX", Procedure, None, kSETQIOBOX},
    {"EXCLUSIVE", Procedure, None, {}},
    {"EXCLUSIVEBUTTON", Procedure, None, {}},
    {"ARRIVE", Function, Boolean, {}},
    {"DEPART", Function, Boolean, {}},
    {"LOADBMP", Procedure, None, kLOADBMP},
    {"LOADBMPFROMRES", Procedure, None, {}},
    {"BUTTON", Function, Boolean, {}},
    {"TOGGLEOWNER", Function, Boolean, kTOGGLEOWNER},
    {"BUTTONOWNER", Function, Boolean, kBUTTONOWNER},
    {"UPCASES", Function, String, kUPCASES},
    {"LOCASES", Function, String, kLOCASES},
    {"COMMUT_FIG", Function, Boolean, kCOMMUT_FIG},
    {"GO2", Function, Boolean, kGO2, "COMMUT_FIG"},
    {"EXECUTE", Procedure, None, kEXECUTE},
    {"DISPLAY", Procedure, None, kDISPLAY},
    {"DISPLAYEX", Procedure, None, kDISPLAYEX},
    {"DUPLICATEFORM", Procedure, None, kDUPLICATEFORM},
    {"DISPLAYMODAL", Procedure, None, kDISPLAYMODAL},
    {"MODALEXECUTE", Procedure, None, kMODALEXECUTE},
    {"GETHWND", Function, Integer, {}},
    {"GETMAINHWND", Function, Integer, {}},
    {"NORMALIZETOPMOSTS", Procedure, None, {}},
    {"RESTORETOPMOSTS", Procedure, None, {}},
    {"ALLICONIC", Procedure, None, {}},
    {"WINMESS", Function, Boolean, kWINMESS},
    {"GETPALETTECOLOR", Function, Boolean, kGETPALETTECOLOR},
    {"FIRSTCOLORS", Procedure, None, {}},
    {"SETCAPTION", Procedure, None, kSETCAPTION},
    {"GETCAPTION", Function, String, {}},
    {"SETPAGE", Procedure, None, kSETPAGE},
    {"GETPAGE", Function, Integer, {}},
    {"GETMENUST", Function, Boolean, kGETMENUST},
    {"VALIDMENUITEM", Procedure, None, kVALIDMENUITEM},
    {"SETMENUSTRING", Procedure, None, kSETMENUSTRING},
    {"SETMENUBITMAP", Procedure, None, kSETMENUBITMAP},
    {"SETPOPUPSTRING", Procedure, None, kSETPOPUPSTRING},
    {"SETPOPUPPSTRING", Procedure, None, kSETPOPUPPSTRING},
    {"TOGGLEMENU", Procedure, None, kTOGGLEMENU},
    {"DRAG", Procedure, None, kDRAG},
    {"DROP", Function, Boolean, {}},
    {"GETDROP", Function, String, {}},
    {"GETFIGNAME", Function, String, {}},
    {"VALIDXSCROLL", Procedure, None, kVALIDXSCROLL},
    {"VALIDYSCROLL", Procedure, None, kVALIDYSCROLL},
    {"CURSORWAIT", Procedure, None, {}},
    {"CURSORNORMAL", Procedure, None, {}},
    {"BLINKN", Function, Boolean, {}},
    {"STRCHANGE", Function, Boolean, kSTRCHANGE},
    {"LOOSEFOCUS", Function, Boolean, {}},
    {"MOVEFIG", Function, Boolean, {}},
    {"PUSHBUTTON", Procedure, None, kPUSHBUTTON},
    {"TOGGLEBUTTON", Procedure, None, kTOGGLEBUTTON},
    {"VALIDBUTTON", Procedure, None, kVALIDBUTTON},
    {"SCALE", Function, Real, kSCALE},
    {"SLIDERVERTICAL", Procedure, None, kSLIDERVERTICAL},
    {"SLIDERHORIZONTAL", Procedure, None, kSLIDERHORIZONTAL},
    {"WINDOWVALID", Function, Boolean, {}},
    {"SETCANCLOSE", Procedure, None, kSETCANCLOSE},
    {"MENUSTR", Function, String, {}},
    {"GETANGLE", Function, Integer, {}},
    {"SETANGLE", Procedure, None, kSETANGLE},
    {"SLIDERCHANGE", Function, Boolean, {}},
    {"SLIDERQIOCHANGE", Function, Boolean, kSLIDERQIOCHANGE},
    {"GETSLIDER", Function, Real, {}},
    {"SETSLIDER", Procedure, None, kSETSLIDER},
    {"TRACKCHANGE", Function, Boolean, {}},
    {"TRACKQIOCHANGE", Function, Boolean, kTRACKQIOCHANGE},
    {"GETTRACKBAR", Function, Integer, {}},
    {"SETTRACKBAR", Procedure, None, kSETTRACKBAR},
    {"SETTRACKEND", Procedure, None, kSETTRACKEND},
    {"SETTRACKSTART", Procedure, None, kSETTRACKSTART},
    {"FLOODFILL", Procedure, None, kFLOODFILL},
    {"GETUPDOWN", Function, Integer, {}},
    {"SETUPDOWN", Procedure, None, kSETUPDOWN},
    {"GETRADIO", Function, Boolean, {}},
    {"SETRADIO", Procedure, None, kSETRADIO},
    {"HARDCOPY", Procedure, None, {}},
    {"ACTIVEDVE", Procedure, None, {}, {}, false},
    {"NEXTFOCUS", Procedure, None, {}},
    {"ENABLEREFRESH", Procedure, None, kENABLEREFRESH},
    {"TRANSLATE", Function, String, kTRANSLATE},
    {"ADDTODICO", Function, Boolean, kADDTODICO},
    {"STRINGWIDTH", Function, Integer, kSTRINGWIDTH},
    {"POPUPMENUCREATE", Function, Integer, {}},
    {"POPUPMENUDESTROY", Procedure, None, kPOPUPMENUDESTROY},
    {"POPUPMENUADDCHILD", Procedure, None, kPOPUPMENUADDCHILD},
    {"WINLADDER", Procedure, None, kWINLADDER},
    {"WINLADDERREFRESH", Procedure, None, {}},
    {"WINLADDERZOOMIN", Procedure, None, {}},
    {"WINLADDERZOOMOUT", Procedure, None, {}},
    {"WINLADDERCLEAR", Procedure, None, {}},
    {"WINGRAFCET", Procedure, None, kWINGRAFCET},
    {"WINGRAFCETREFRESH", Procedure, None, {}},
    {"WINGRAFCETZOOMIN", Procedure, None, {}},
    {"WINGRAFCETZOOMOUT", Procedure, None, {}},
    {"WINGRAFCETCLEAR", Procedure, None, {}},
    {"SETFONTNAME", Procedure, None, kSETFONTNAME},
    {"SETFONTSTYLE", Procedure, None, kSETFONTSTYLE},
    {"INITPLAYER", Procedure, None, kINITPLAYER},
    {"NEWMEDIA", Procedure, None, kNEWMEDIA},
    {"PLAYMEDIA", Procedure, None, {}},
    {"STOPMEDIA", Procedure, None, {}},
    {"PAUSEMEDIA", Procedure, None, {}},
    {"PAUSEONLYMEDIA", Procedure, None, {}},
    {"RESUMEMEDIA", Procedure, None, {}},
    {"STEPMEDIA", Procedure, None, {}},
    {"BACKMEDIA", Procedure, None, {}},
    {"PREVIOUSTRACK", Procedure, None, {}},
    {"NEXTTRACK", Procedure, None, {}},
    {"REWINDMEDIA", Procedure, None, {}},
    {"GETPOSITIONMEDIA", Function, Integer, {}},
    {"GETLENGTHMEDIA", Function, Integer, {}},
    {"MEDIAATZERO", Function, Boolean, {}},
    {"MEDIAATEND", Function, Boolean, {}},
    {"MEDIAPLAYING", Function, Boolean, {}},
    {"PRINTREPORT", Procedure, None, kPRINTREPORT},
    {"FILETEXTOPEN", Procedure, None, kFILETEXTOPEN},
    {"FILETEXTAPPEND", Procedure, None, kFILETEXTAPPEND},
    {"FILETEXTCLOSE", Procedure, None, kFILETEXTCLOSE},
    {"READLN", Procedure, None, kREADLN},
    {"WRITELN", Procedure, None, kWRITELN},
    {"WRITE", Procedure, None, kWRITE},
    {"EOF", Function, Boolean, kEOF},
    {"FILEEXISTS", Function, Boolean, kFILEEXISTS},
    {"FILERENAME", Function, Boolean, kFILERENAME},
    {"FILECOPY", Function, Boolean, kFILECOPY},
    {"FILECONCAT", Function, Boolean, kFILECONCAT},
    {"CLEARBLANK", Function, String, kCLEARBLANK},
    {"TASK_GETHISTOALA", Function, String, kTASK_GETHISTOALA},
    {"TASK_NB_HISTOALARMS", Function, Integer, {}},
    {"TASK_KEEPHISTOALA", Function, Integer, kTASK_KEEPHISTOALA},
    {"TASK_DB_ALARM", Procedure, None, kTASK_DB_ALARM},
    {"CUSTOMGRID", Function, Integer, kCUSTOMGRID},
    {"GSETOPTIONS", Procedure, None, kGSETOPTIONS},
    {"GCOMMAND", Procedure, None, kGCOMMAND},
    {"GSETCONTROL", Procedure, None, kGSETCONTROL},
    {"GSETCOL", Procedure, None, kGSETCOL},
    {"GSETROW", Procedure, None, kGSETROW},
    {"GSETCOLCOUNT", Procedure, None, kGSETCOLCOUNT},
    {"GSETROWCOUNT", Procedure, None, kGSETROWCOUNT},
    {"GSETCOLWIDTH", Procedure, None, kGSETCOLWIDTH},
    {"GSETROWHEIGHT", Procedure, None, kGSETROWHEIGHT},
    {"GSETFIXEDCOLOR", Procedure, None, kGSETFIXEDCOLOR},
    {"GSETTEXTFIXEDCOLOR", Procedure, None, kGSETTEXTFIXEDCOLOR},
    {"GSETFIXEDCOLS", Procedure, None, kGSETFIXEDCOLS},
    {"GSETFIXEDROWS", Procedure, None, kGSETFIXEDROWS},
    {"GGETTEXT", Function, String, kGGETTEXT},
    {"GSETTEXT", Procedure, None, kGSETTEXT},
    {"GSETTEXTCURRENT", Procedure, None, kGSETTEXTCURRENT},
    {"GGETCURRENT", Procedure, None, kGGETCURRENT},
    {"GDEPLACEFOCUS", Function, Boolean, {}},
    {"GCELLCHANGE", Function, Boolean, {}},
    {"GDBCLICK", Function, Boolean, {}},
    {"GGETCOLWIDTH", Function, Integer, kGGETCOLWIDTH},
    {"GGETROWHEIGHT", Function, Integer, kGGETROWHEIGHT},
    {"GVALIDEDIT", Procedure, None, {}},
    {"GDEVALIDEDIT", Procedure, None, {}},
    {"GCLEARGRID", Procedure, None, {}},
    {"GSETCELLCOLOR", Procedure, None, kGSETCELLCOLOR},
    {"GGETCELLCOLOR", Function, Integer, kGGETCELLCOLOR},
    {"GSETTEXTCOLOR", Procedure, None, kGSETTEXTCOLOR},
    {"GGETTEXTCOLOR", Function, Integer, kGGETTEXTCOLOR},
    {"FLYINGCELLS", Procedure, None, kFLYINGCELLS},
    {"GGETCOLCHANGED", Function, Integer, {}},
    {"GGETROWCHANGED", Function, Integer, {}},
    {"GENABLEDISPLAY", Procedure, None, kGENABLEDISPLAY},
    {"GSETLEFTCOL", Procedure, None, kGSETLEFTCOL},
    {"GSETTOPROW", Procedure, None, kGSETTOPROW},
    {"GGETTOPROW", Function, Integer, {}},
    {"GSETDODBCLICK", Procedure, None, kGSETDODBCLICK},
    {"GGETCOLCOUNT", Function, Integer, {}},
    {"GGETROWCOUNT", Function, Integer, {}},
    {"GSETUNICODE", Procedure, None, kGSETUNICODE},
    {"STRTODATETIME", Function, Real, kSTRTODATETIME},
    {"STRTOTIME", Function, Real, kSTRTOTIME},
    {"DATETIMETOSTR", Function, String, kDATETIMETOSTR},
    {"DATETOSTR", Function, String, kDATETOSTR},
    {"TIMETOSTR", Function, String, kTIMETOSTR},
    {"FORMATDATETIME", Function, String, kFORMATDATETIME},
    {"DAYOFWEEK", Function, Integer, kDAYOFWEEK},
    {"ENCODEDATE", Function, Real, kENCODEDATE},
    {"ENCODETIME", Function, Real, kENCODETIME},
    {"NOW", Function, Real, {}},
    {"FORMATFLOAT", Function, String, kFORMATFLOAT},
    {"OPENDDE", Procedure, None, kOPENDDE},
    {"CLOSEDDE", Procedure, None, {}},
    {"DDEGETDATA", Function, String, kDDEGETDATA},
    {"DDESENDDATA", Function, Boolean, kDDESENDDATA},
    {"DDESENDMACRO", Function, Boolean, kDDESENDMACRO},
    {"INITPRINTER", Procedure, None, {}},
    {"FPRINT", Procedure, None, {}},
    {"PRINTLN", Procedure, None, kPRINTLN},
    {"PRINT", Procedure, None, kPRINT},
    {"PRINTSIZE", Procedure, None, kPRINTSIZE},
    {"PRINTATTR", Procedure, None, kPRINTATTR},
    {"PRINTFONT", Procedure, None, kPRINTFONT},
    {"PRINTBITMAP", Procedure, None, kPRINTBITMAP},
    {"SETMARGE", Procedure, None, kSETMARGE},
    {"SETPEN", Procedure, None, kSETPEN},
    {"FORMFEED", Procedure, None, {}},
    {"GETMAXLINES", Function, Integer, kGETMAXLINES},
    {"PRINTCOLOR", Procedure, None, kPRINTCOLOR},
    {"PRINTLINE", Procedure, None, kPRINTLINE},
    {"PRINTCIRCLE", Procedure, None, kPRINTCIRCLE},
    {"HPRINTTEXT", Function, Integer, kHPRINTTEXT},
    {"LPRINTTEXT", Function, Integer, kLPRINTTEXT},
    {"SETPRINTERFORMAT", Procedure, None, kSETPRINTERFORMAT},
    {"SETPRINTERINDEX", Procedure, None, kSETPRINTERINDEX},
    {"GETPRINTERINDEX", Function, Integer, {}},
    {"CUSTOMTREND", Function, Integer, kCUSTOMTREND},
    {"TDISPLAYGRID", Procedure, None, kTDISPLAYGRID},
    {"TSETTEXTX", Procedure, None, kTSETTEXTX},
    {"TSETPENCILCOLOR", Procedure, None, kTSETPENCILCOLOR},
    {"TSETPOINT", Procedure, None, kTSETPOINT},
    {"TRESETPOINTS", Procedure, None, kTRESETPOINTS},
    {"TRESETALLPOINTS", Procedure, None, {}},
    {"TGETHANDLEBMP", Function, Integer, {}},
    {"TSETLRANGEY", Procedure, None, kTSETLRANGEY},
    {"TSETHRANGEY", Procedure, None, kTSETHRANGEY},
    {"TSETLLEVEL", Procedure, None, kTSETLLEVEL},
    {"TSETHLEVEL", Procedure, None, kTSETHLEVEL},
    {"TSETLLEVELCOL", Procedure, None, kTSETLLEVELCOL},
    {"TSETHLEVELCOL", Procedure, None, kTSETHLEVELCOL},
    {"TSETBLEFT", Procedure, None, kTSETBLEFT},
    {"TSETBRIGHT", Procedure, None, kTSETBRIGHT},
    {"TSETBLEFTCOL", Procedure, None, kTSETBLEFTCOL},
    {"TSETBRIGHTCOL", Procedure, None, kTSETBRIGHTCOL},
    {"TSETDECIMALS", Procedure, None, kTSETDECIMALS},
    {"TSETBORDERRIGHT", Procedure, None, kTSETBORDERRIGHT},
    {"TSETCOEF", Procedure, None, kTSETCOEF},
    {"TSHIFTLEFT", Procedure, None, {}},
    {"TSHIFTRIGHT", Procedure, None, {}},
    {"TGETINTERX", Function, Real, {}},
    {"TGETNPTX", Function, Integer, {}},
    {"TGETNPTY", Function, Integer, {}},
    {"TGETGRADUX", Function, String, kTGETGRADUX},
    {"TENABLEDISPLAY", Procedure, None, kTENABLEDISPLAY},
    {"TYMOUSE", Function, Real, {}},
    {"TPTXMOUSE", Function, Integer, {}},
    {"TMOUSEMOVE", Function, Boolean, {}},
    {"TREGISTERPROC", Procedure, None, kTREGISTERPROC},
    {"TGETSELECTION", Function, Integer, {}},
    {"TGETDIVX", Function, Integer, {}},
    {"TGETDIVY", Function, Integer, {}},
    {"TSETDIVX", Procedure, None, kTSETDIVX},
    {"TSETDIVY", Procedure, None, kTSETDIVY},
    {"TGETYMAX", Function, Real, {}},
    {"TGETYMIN", Function, Real, {}},
    {"TRENDTOREPORT", Procedure, None, kTRENDTOREPORT},
    {"WEBBROWSERCREATE", Function, Integer, {}},
    {"WEBNAVIGATE", Procedure, None, kWEBNAVIGATE},
    {"WEBGOBACK", Procedure, None, kWEBGOBACK},
    {"WEBGOFORWARD", Procedure, None, kWEBGOFORWARD},
    {"WEBGOHOME", Procedure, None, kWEBGOHOME},
    {"WEBGOSEARCH", Procedure, None, kWEBGOSEARCH},
    {"WEBREFRESH", Procedure, None, kWEBREFRESH},
    {"WEBSTOP", Procedure, None, kWEBSTOP},
    {"WEBSEARCH", Procedure, None, kWEBSEARCH},
    {"GETQRUVALUE", Function, String, kGETQRUVALUE},
    {"SETQRUVALUE", Procedure, None, kSETQRUVALUE},
    {"GETQRUADDR", Function, Integer, kGETQRUADDR},
    {"GETQRUTYPE", Function, Integer, kGETQRUTYPE},
    {"GETVARLEN", Function, Integer, kGETVARLEN},
    {"GETPROJECTDIR", Function, String, {}},
    {"EXTRACTRES", Function, Boolean, kEXTRACTRES},
    {"WINDIALOG", Procedure, None, kWINDIALOG},
    {"RUNTASK", Procedure, None, kRUNTASK},
    {"SETTASK", Procedure, None, kSETTASK},
    {"GETTASK", Function, Integer, kGETTASK},
    {"CALLTASK", Procedure, None, kCALLTASK},
    {"DISPATCHMES", Procedure, None, kDISPATCHMES},
    {"SETLANGUAGE", Procedure, None, kSETLANGUAGE},
    {"FORMSETBOUNDS", Function, Boolean, kFORMSETBOUNDS},
    {"FORMGETBOUNDS", Function, Boolean, kFORMGETBOUNDS},
    {"FORMVISIBLE", Function, Boolean, kFORMVISIBLE},
    {"CHANGEBACKGROUNDCOLOR", Procedure, None, kCHANGEBACKGROUNDCOLOR},
    {"PROFILERADD", Function, Boolean, kPROFILERADD},
    {"GETCHRONO", Function, Single, {}},
    {"GETHDLECOMPONENT", Function, Integer, {}},
    {"GETCLIENTORIGIN", Function, Integer, kGETCLIENTORIGIN},
    {"GETFORMHANDLE", Function, Integer, kGETFORMHANDLE},
};

static_assert(std::size(kFunctions) == SystemFunctionCount);
static_assert(kFunctions[CoreBuiltinCount - 1].name == "ISET");
static_assert(kFunctions[CoreBuiltinCount].name == "XADDIMAGE");

} // namespace

std::span<const FunctionSpec> SystemFunctionSpecs() {
    return kFunctions;
}

const FunctionSpec* FindSystemFunctionSpec(std::string_view name) {
    const auto* found =
        std::find_if(std::begin(kFunctions), std::end(kFunctions),
                     [name](const FunctionSpec& spec) { return spec.name == name; });
    return found == std::end(kFunctions) ? nullptr : found;
}

} // namespace runtime
