Attribute VB_Name = "modLedger"
'==============================================
' modLedger: helpers shared by the ledger demo.
'
' Everything here is plain VB6: amounts are Currency, dates are
' Date, and text is built with the string functions of the runtime.
'==============================================
Option Explicit

Public Const LEDGER_VERSION As String = "1.0"
Public Const MAX_ENTRIES As Long = 1000

Public Enum EntryKind
    ekDeposit = 1
    ekWithdrawal = 2
    ekFee = 3
    ekInterest = 4
End Enum

Public Type LedgerEntry
    Kind As EntryKind
    Amount As Currency
    Posted As Date
    Memo As String
End Type

Private Declare Function GetTickCount Lib "kernel32" () As Long

' Formats an amount with two decimals and a currency sign.
Public Function FormatAmount$(ByVal amount As Currency)
    If amount < 0 Then
        FormatAmount$ = "-$" & Format$(-amount, "#,##0.00")
    Else
        FormatAmount$ = "$" & Format$(amount, "#,##0.00")
    End If
End Function

' Describes an entry kind in words for reports.
Public Function KindName(ByVal kind As EntryKind) As String
    Select Case kind
        Case ekDeposit
            KindName = "Deposit"
        Case ekWithdrawal
            KindName = "Withdrawal"
        Case ekFee, ekInterest
            ' Fees and interest are posted by the bank, not the user
            If kind = ekFee Then KindName = "Bank fee" Else KindName = "Interest"
        Case Else
            KindName = "Unknown (" & CStr(kind) & ")"
    End Select
End Function

' Sums the amounts of the entries of one kind; 0 for an empty list.
Public Function SumOfKind(entries() As LedgerEntry, ByVal count As Long, ByVal kind As EntryKind) As Currency
    Dim i As Long
    Dim total As Currency
    total = 0
    For i = 0 To count - 1
        If entries(i).Kind = kind Then
            total = total + entries(i).Amount
        End If
    Next i
    SumOfKind = total
End Function

' Monthly interest, compounded day by day over the days of the month.
Public Function MonthlyInterest(ByVal balance As Currency, ByVal yearlyRate As Double, ByVal days As Integer) As Currency
    Dim day As Integer
    Dim running As Double
    running = balance
    day = 1
    Do While day <= days
        running = running * (1 + yearlyRate / 365)
        day = day + 1
    Loop
    MonthlyInterest = CCur(running - balance)
End Function

' Finds the first entry whose memo contains the text, or -1.
Public Function FindMemo(entries() As LedgerEntry, ByVal count As Long, ByVal text As String) As Long
    Dim i As Long
    FindMemo = -1
    i = 0
    While i < count
        If InStr(1, entries(i).Memo, text, vbTextCompare) > 0 Then
            FindMemo = i
            Exit Function
        End If
        i = i + 1
    Wend
End Function

' Builds a one-line summary; the line is long on purpose so that a listing shows how it wraps onto the next line with an indicator.
Public Function Summary(entries() As LedgerEntry, ByVal count As Long) As String
    Summary = "Deposits: " & FormatAmount$(SumOfKind(entries, count, ekDeposit)) & ", withdrawals: " & FormatAmount$(SumOfKind(entries, count, ekWithdrawal)) & ", fees: " & FormatAmount$(SumOfKind(entries, count, ekFee)) & ", interest: " & FormatAmount$(SumOfKind(entries, count, ekInterest))
End Function

' Sorts entries by posting date (insertion sort: ledgers are short).
Public Sub SortByDate(entries() As LedgerEntry, ByVal count As Long)
    Dim i As Long, j As Long
    Dim current As LedgerEntry
    For i = 1 To count - 1
        current = entries(i)
        j = i - 1
        Do
            If j < 0 Then Exit Do
            If entries(j).Posted <= current.Posted Then Exit Do
            entries(j + 1) = entries(j)
            j = j - 1
        Loop
        entries(j + 1) = current
    Next i
End Sub

' Writes the entries to a text file, one per line; returns False on error.
Public Function ExportEntries(entries() As LedgerEntry, ByVal count As Long, ByVal path As String) As Boolean
    Dim fileNo As Integer
    Dim i As Long
    On Error GoTo Failed
    fileNo = FreeFile
    Open path For Output As #fileNo
    Print #fileNo, "Ledger export, version " & LEDGER_VERSION
    For i = 0 To count - 1
        With entries(i)
            Print #fileNo, Format$(.Posted, "yyyy-mm-dd"); vbTab; KindName(.Kind); vbTab; FormatAmount$(.Amount); vbTab; .Memo
        End With
    Next i
    Close #fileNo
    ExportEntries = True
    Exit Function
Failed:
    ' Close what was opened and report failure to the caller
    If fileNo <> 0 Then Close #fileNo
    ExportEntries = False
End Function

' Measures how long a report takes, in milliseconds.
Public Function ElapsedSince(ByVal startTicks As Long) As Long
    ElapsedSince = GetTickCount() - startTicks
End Function
