#include "ornaTokenizerBase.h"

ORNATokenizerBase::~ORNATokenizerBase() = default;

void ORNATokenizerBase::setInput(ORNAInputCursor *cursor)
{
    reset();
    m_input = cursor;
}

void ORNATokenizerBase::reset()
{
    m_line = 0;
    m_lineStart = 0;
    m_tokenStart = 0;
    m_tokenEnd = 0;
    m_tokenLineStart = 0;
    m_tokenLine = 0;
    m_skipComments = true;
    m_pushedBack = false;
}
