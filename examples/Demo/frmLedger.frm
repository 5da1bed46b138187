VERSION 5.00
Begin VB.Form frmLedger
   Caption         =   "Ledger Demo"
   ClientHeight    =   4560
   ClientLeft      =   60
   ClientTop       =   345
   ClientWidth     =   6780
   LinkTopic       =   "Form1"
   ScaleHeight     =   4560
   ScaleWidth      =   6780
   StartUpPosition =   3  'Windows Default
   Begin VB.CommandButton cmdPost
      Caption         =   "&Post"
      Height          =   375
      Left            =   5400
      TabIndex        =   2
      Top             =   3960
      Width           =   1215
   End
   Begin VB.TextBox txtAmount
      Height          =   315
      Left            =   1320
      TabIndex        =   1
      Top             =   3960
      Width           =   1815
   End
   Begin VB.ListBox lstEntries
      Height          =   3570
      Left            =   120
      TabIndex        =   0
      Top             =   120
      Width           =   6495
   End
   Begin VB.Label lblAmount
      Caption         =   "Amount:"
      Height          =   255
      Left            =   120
      TabIndex        =   3
      Top             =   4000
      Width           =   1095
   End
End
Attribute VB_Name = "frmLedger"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
'------------------------------------------------------------------
' frmLedger: the one window of the ledger demo.
' The user types an amount and posts it; the list shows every entry
' with the running balance, and overdrawn entries are flagged.
'------------------------------------------------------------------
Option Explicit

Private mAccount As clsAccount
Private mPostCount As Integer

Private Sub Form_Load()
    Set mAccount = New clsAccount
    mAccount.Owner = "Demo Customer"
    mAccount.Limit = 500
    mPostCount = 0
    lstEntries.Clear
    Caption = "Ledger Demo - " & mAccount.Owner
End Sub

Private Sub cmdPost_Click()
    Dim amount As Currency
    Dim message As String

    ' Refuse anything that is not a number before touching the account
    If Not IsNumeric(txtAmount.Text) Then
        MsgBox "Please type an amount such as 12.50 or -3", vbExclamation, "Ledger Demo"
        txtAmount.SetFocus
        Exit Sub
    End If

    amount = CCur(txtAmount.Text)
    If amount = 0 Then
        message = "Nothing to post."
    ElseIf amount > 0 Then
        mAccount.Deposit amount
        message = "Deposited " & FormatAmount$(amount)
    Else
        If mAccount.CanWithdraw(-amount) Then
            mAccount.Withdraw -amount
            message = "Withdrew " & FormatAmount$(-amount)
        Else
            message = "Refused: the withdrawal of " & FormatAmount$(-amount) & " would take the account beyond its limit of " & FormatAmount$(mAccount.Limit) & "."
        End If
    End If

    mPostCount = mPostCount + 1
    lstEntries.AddItem Format$(mPostCount, "000") & "  " & message & "  (balance " & FormatAmount$(mAccount.Balance) & ")"
    txtAmount.Text = ""
End Sub

Private Sub Form_Unload(Cancel As Integer)
    Dim answer As VbMsgBoxResult
    If mPostCount > 0 Then
        answer = MsgBox("Close the ledger? " & CStr(mPostCount) & " entries were posted.", vbYesNo + vbQuestion, "Ledger Demo")
        If answer = vbNo Then Cancel = 1
    End If
    Set mAccount = Nothing
End Sub
